// The unattended command line: splitting the raw line, reading the options
// and the /? text.
#include "wizard/CommandLine.h"

#include "base/Strings.h"
#include "bluetooth/Bluetooth.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>

namespace wizard {
namespace {

// Where an option may appear; checked once the mode is known.
enum class Scope { Mode, Install, Connection, RemoveOrCheck, RemoveOnly, Any };

enum class Id {
    Install, Remove, Check, Model, Port, Ip, Usb, Bluetooth, Pin, Name, Default, Printer, Driver, Log, Lang
};

struct Option {
    Id id;
    const wchar_t* name;     // lower case, without the "/"
    Scope scope;
    const wchar_t* example;  // shown when the value is missing; nullptr for a flag
    bool valueOptional = false;
};

const Option kOptions[] = {
    {Id::Install, L"install", Scope::Mode, nullptr},
    {Id::Remove, L"remove", Scope::Mode, nullptr},
    {Id::Check, L"check", Scope::Mode, nullptr},
    {Id::Model, L"model", Scope::Install, L"/model:300"},
    {Id::Port, L"port", Scope::Connection, L"/port:COM1:"},
    {Id::Ip, L"ip", Scope::Connection, L"/ip:192.168.1.50"},
    {Id::Usb, L"usb", Scope::Connection, L"/usb:USB001", true},
    {Id::Bluetooth, L"bluetooth", Scope::Connection, L"/bluetooth:00-11-22-33-44-55"},
    {Id::Pin, L"pin", Scope::Install, L"/pin:0000"},
    {Id::Name, L"name", Scope::Install, L"/name:\"Front desk\""},
    {Id::Default, L"default", Scope::Install, nullptr},
    {Id::Printer, L"printer", Scope::RemoveOrCheck, L"/printer:\"Front desk\""},
    {Id::Driver, L"driver", Scope::RemoveOnly, nullptr},
    {Id::Log, L"log", Scope::Any, L"/log:C:\\Temp\\setup.log"},
    {Id::Lang, L"lang", Scope::Any, L"/lang:1033"},
};

// The culture names of the program's languages, and the LANGID of each
// one's language file.
struct Culture {
    const wchar_t* name;  // lower case
    std::uint16_t langId;
};
const Culture kCultures[] = {
    {L"en-us", 1033}, {L"es-es", 1034}, {L"ja-jp", 1041}, {L"ko-kr", 1042},
    {L"pt-pt", 2070}, {L"th-th", 1054}, {L"zh-cn", 2052},
};


bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

bool IsOption(const std::wstring& argument) {
    return !argument.empty() && (argument[0] == L'/' || argument[0] == L'-');
}

std::size_t ValueSeparator(const std::wstring& argument) { return argument.find_first_of(L":=", 1); }

// The lower-case name of an option argument, between the "/" and the value.
std::wstring OptionName(const std::wstring& argument) {
    const std::size_t separator = ValueSeparator(argument);
    return base::LowerAscii(argument.substr(1, separator == std::wstring::npos ? std::wstring::npos : separator - 1));
}

bool IsHelp(const std::wstring& argument) {
    if (!IsOption(argument)) return false;
    const std::wstring name = OptionName(argument);
    return name == L"?" || name == L"h" || name == L"help";
}

const Option* FindOption(const std::wstring& name) {
    for (const Option& option : kOptions)
        if (name == option.name) return &option;
    return nullptr;
}

std::wstring Slash(const Option& option) { return std::wstring(L"/") + option.name; }

bool HasControlCharacter(const std::wstring& text) {
    return std::any_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x20; });
}

bool AllAsciiDigits(const std::wstring& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

bool AllowedIn(Scope scope, CommandMode mode) {
    switch (scope) {
    case Scope::Mode:
    case Scope::Any:
        return true;
    case Scope::Install:
    case Scope::Connection:
        return mode == CommandMode::Install;
    case Scope::RemoveOrCheck:
        return mode == CommandMode::Remove || mode == CommandMode::Check;
    case Scope::RemoveOnly:
        return mode == CommandMode::Remove;
    }
    return false;
}

CommandMode ModeOf(Id id) {
    if (id == Id::Remove) return CommandMode::Remove;
    if (id == Id::Check) return CommandMode::Check;
    return CommandMode::Install;
}

// Stores one option's value; returns why it is refused, or "".
std::wstring Store(const Option& option, const std::wstring& value, CommandLine& line) {
    switch (option.id) {
    case Id::Install:
    case Id::Remove:
    case Id::Check:
        line.mode = ModeOf(option.id);
        break;
    case Id::Model:
        // Exactly as written: "0300" or "+300" is more likely a typo than a model.
        if (value != L"203" && value != L"300") return L"/model must be 203 or 300.";
        line.modelDpi = value == L"203" ? 203 : 300;
        break;
    case Id::Port:
        line.port = value;
        break;
    case Id::Ip:
        line.address = value;
        break;
    case Id::Usb:
        line.usb = true;
        line.usbPort = value;
        break;
    case Id::Bluetooth:
        line.bluetooth = value;
        break;
    case Id::Pin:
        if (value.size() > bluetooth::kMaxPinChars) return L"/pin must be at most 16 characters.";
        line.pin = value;
        break;
    case Id::Name:
        line.printerName = value;
        break;
    case Id::Default:
        line.makeDefault = true;
        break;
    case Id::Printer:
        line.printer = value;
        break;
    case Id::Driver:
        line.removeDriver = true;
        break;
    case Id::Log:
        // No path holds a quote; one here nearly always comes from "C:\logs\",
        // where the last backslash escapes the closing quote and the rest of
        // the line joins the path.
        if (value.find(L'"') != std::wstring::npos)
            return L"/log cannot contain a quote (is there a \\ just before a closing quote?).";
        line.logPath = value;
        break;
    case Id::Lang: {
        const std::wstring lower = base::LowerAscii(value);
        for (const Culture& culture : kCultures)
            if (lower == culture.name) {
                line.langId = culture.langId;
                return std::wstring();
            }
        unsigned long number = 0;
        bool inRange = AllAsciiDigits(value);
        for (std::size_t i = 0; inRange && i < value.size(); ++i) {
            number = number * 10 + static_cast<unsigned long>(value[i] - L'0');
            inRange = number <= 0xFFFF;
        }
        if (!inRange || number == 0)
            return L"/lang must be a language number from 1 to 65535, such as 1033, or one of the culture names "
                   L"en-US, es-ES, ja-JP, ko-KR, pt-PT, th-TH, zh-CN.";
        line.langId = static_cast<std::uint16_t>(number);
        break;
    }
    }
    return std::wstring();
}

CommandLine Refuse(CommandLine line, std::wstring reason) {
    line.error = std::move(reason);
    return line;
}

}  // namespace

std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine) {
    const std::size_t size = commandLine.size();
    std::size_t at = 0;
    if (size > 0 && commandLine[0] == L'"') {
        const std::size_t closing = commandLine.find(L'"', 1);
        at = closing == std::wstring_view::npos ? size : closing + 1;
    } else {
        while (at < size && !IsBlank(commandLine[at])) ++at;
    }

    std::vector<std::wstring> arguments;
    for (;;) {
        while (at < size && IsBlank(commandLine[at])) ++at;
        if (at == size) break;
        std::wstring argument;
        bool quoted = false;
        while (at < size && (quoted || !IsBlank(commandLine[at]))) {
            const wchar_t c = commandLine[at];
            if (c == L'\\') {
                std::size_t backslashes = 0;
                for (; at < size && commandLine[at] == L'\\'; ++at) ++backslashes;
                if (at < size && commandLine[at] == L'"') {
                    argument.append(backslashes / 2, L'\\');
                    if (backslashes % 2 == 1) {
                        argument += L'"';
                        ++at;
                    }
                    // An even run leaves the quote to group below.
                } else {
                    argument.append(backslashes, L'\\');
                }
            } else if (c == L'"') {
                if (quoted && at + 1 < size && commandLine[at + 1] == L'"') {
                    argument += L'"';
                    at += 2;
                } else {
                    quoted = !quoted;
                    ++at;
                }
            } else {
                argument += c;
                ++at;
            }
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments) {
    CommandLine line;
    if (arguments.empty()) return line;
    line.arguments = arguments;
    // Someone asking for help gets it, whatever else the line holds.
    if (std::any_of(arguments.begin(), arguments.end(), IsHelp)) {
        line.mode = CommandMode::Help;
        return line;
    }

    std::vector<const Option*> given;  // in the order typed, so errors name the first offender
    for (const std::wstring& argument : arguments) {
        if (!IsOption(argument))
            return Refuse(line, L"Unexpected argument \"" + argument + L"\"; options begin with / or -.");
        const Option* option = FindOption(OptionName(argument));
        if (option == nullptr) return Refuse(line, L"Unknown option \"" + argument + L"\".");
        if (std::find(given.begin(), given.end(), option) != given.end())
            return Refuse(line, Slash(*option) + L" is given twice.");
        given.push_back(option);

        const std::size_t separator = ValueSeparator(argument);
        const bool hasValue = separator != std::wstring::npos;
        const std::wstring value = hasValue ? argument.substr(separator + 1) : std::wstring();
        if (option->example == nullptr) {
            if (hasValue) return Refuse(line, Slash(*option) + L" takes no value.");
        } else if (option->valueOptional && !hasValue) {
            // The plain form has a meaning of its own.
        } else {
            if (value.empty()) return Refuse(line, Slash(*option) + L" needs a value, as in " + option->example + L".");
            if (HasControlCharacter(value)) return Refuse(line, Slash(*option) + L" contains a control character.");
        }
        std::wstring problem = Store(*option, value, line);
        if (!problem.empty()) return Refuse(line, std::move(problem));
    }

    std::vector<const Option*> modes;
    std::copy_if(given.begin(), given.end(), std::back_inserter(modes),
                 [](const Option* option) { return option->scope == Scope::Mode; });
    if (modes.empty()) return Refuse(line, L"The command line needs /install, /remove or /check.");
    if (modes.size() > 1)
        return Refuse(line, Slash(*modes[0]) + L" and " + Slash(*modes[1]) + L" cannot be combined.");
    const std::wstring mode = Slash(*modes[0]);
    for (const Option* option : given)
        if (!AllowedIn(option->scope, line.mode))
            return Refuse(line, Slash(*option) + L" cannot be used with " + mode + L".");

    if (line.mode != CommandMode::Install) {
        if (line.printer.empty()) return Refuse(line, mode + L" needs /printer, as in /printer:\"Front desk\".");
        return line;
    }
    if (line.modelDpi == 0) return Refuse(line, L"/install needs /model:203 or /model:300.");
    std::vector<const Option*> connections;
    std::copy_if(given.begin(), given.end(), std::back_inserter(connections),
                 [](const Option* option) { return option->scope == Scope::Connection; });
    if (connections.empty()) return Refuse(line, L"/install needs one of /port, /ip, /usb or /bluetooth.");
    if (connections.size() > 1)
        return Refuse(line, Slash(*connections[0]) + L" and " + Slash(*connections[1]) + L" cannot be combined.");
    if (!line.pin.empty() && line.bluetooth.empty()) return Refuse(line, L"/pin needs /bluetooth.");
    return line;
}

std::wstring UsageText(const std::wstring& defaultLogPath) {
    const wchar_t* const lines[] = {
        L"Installs, removes or checks the printer without the wizard, as deployment",
        L"tools such as Intune or Configuration Manager do. Without options the",
        L"wizard opens.",
        L"",
        L"PrinterDriverSetup /install /model:<dpi> <connection> [/name:<printer>]",
        L"                   [/default] [/log:<path>] [/lang:<id>]",
        L"PrinterDriverSetup /remove /printer:<printer> [/driver] [/log:<path>]",
        L"                   [/lang:<id>]",
        L"PrinterDriverSetup /check /printer:<printer> [/log:<path>] [/lang:<id>]",
        L"PrinterDriverSetup /?",
        L"",
        L"  /install          Install a printer, and its driver when needed.",
        L"  /model:<dpi>      The model: 203 or 300 (dots per inch).",
        L"  <connection>      Exactly one of:",
        L"  /port:<port>        a port by name, such as /port:COM1: or /port:LPT1:",
        L"  /ip:<address>       a network printer at this IPv4 address",
        L"  /usb                the first USB printer found (which may be another",
        L"                      maker's: name its port where there are several)",
        L"  /usb:<port>         the USB printer on this port, such as /usb:USB002",
        L"  /bluetooth:<mac>    a Bluetooth printer, such as",
        L"                      /bluetooth:00-11-22-33-44-55",
        L"  /pin:<pin>        With /bluetooth: the pairing PIN (up to 16 characters).",
        L"  /name:<printer>   The new printer's name; without it one is proposed from",
        L"                    the model's name.",
        L"  /default          Make the new printer the default printer.",
        L"",
        L"  /remove           Remove a printer that uses this driver.",
        L"  /check            Check that a printer is there and uses this driver.",
        L"  /printer:<name>   The printer to remove or check.",
        L"  /driver           With /remove: also remove that printer's driver, unless",
        L"                    other printers use it.",
        L"",
        L"  /log:<path>       Write the log to this file.",
        L"  /lang:<id>        The log's language, as a decimal LANGID such as 1041 or",
        L"                    a culture name such as ja-JP; without it, English.",
        L"  /?, /h, /help     Show this text.",
        L"",
        L"Options begin with / or -, take their value after : or =, and may be",
        L"written in any case. Quote values with blanks: /name:\"Front desk\".",
    };
    std::wstring text;
    for (const wchar_t* line : lines) text.append(line).append(L"\r\n");
    text += L"Without /log, the log is written to " + defaultLogPath + L".\r\n";
    text +=
        L"\r\n"
        L"Exit codes:\r\n"
        L"  0      Success.\r\n"
        L"  1      /check: the printer is not there, or not on this driver.\r\n"
        L"         /check also prints Installed or Not installed.\r\n"
        L"  87     The command line cannot be understood, or what it asks is refused\r\n"
        L"         (a port that does not exist, a name in use); nothing was changed.\r\n"
        L"  1603   The install or removal failed; the log says where.\r\n"
        L"  1618   Another copy is already installing or removing.\r\n";
    return text;
}

}  // namespace wizard
