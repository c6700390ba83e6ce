// The unattended command line: splitting, the accepted and refused lines,
// and the /? text.
#include "wizard/CommandLine.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using wizard::CommandLine;
using wizard::CommandMode;
using Args = std::vector<std::wstring>;

// The rules of CommandLineToArgvW and the 2008+ C runtime, which is what
// deployment tools quote their lines for.
TEST(SplitCommandLine, FollowsTheWindowsQuotingRules) {
    struct Case {
        const wchar_t* line;
        Args arguments;
    };
    const Case cases[] = {
        {L"", {}},
        {L"setup.exe", {}},
        {L"setup.exe  /install\t/usb  ", {L"/install", L"/usb"}},
        {L"\"C:\\Program Files\\Setup\\setup.exe\" /check", {L"/check"}},
        {L"\"C:\\odd\\\"/check x", {L"/check", L"x"}},  // no escaping in the program name
        {L"s /name:\"Front desk\" /default", {L"/name:Front desk", L"/default"}},
        {L"s \"/name:Front desk\"", {L"/name:Front desk"}},
        {L"s /log:\"C:\\logs\\\" /install", {L"/log:C:\\logs\" /install"}},
        {L"s /log:\"C:\\logs\\\\\" /install", {L"/log:C:\\logs\\", L"/install"}},
        {L"s /log:C:\\a\\\\b\\ x", {L"/log:C:\\a\\\\b\\", L"x"}},
        {L"s a\\\\\\\"b", {L"a\\\"b"}},
        {L"s a\\\\\\\\\"b c\"", {L"a\\\\b c"}},
        {L"s \"a\"\"b\" c", {L"a\"b", L"c"}},
        {L"s \"\" x", {L"", L"x"}},
        {L"s \"open to the end", {L"open to the end"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.line)));
        EXPECT_EQ(wizard::SplitCommandLine(c.line), c.arguments);
    }
}

auto Fields(const CommandLine& l) {
    return std::make_tuple(static_cast<int>(l.mode), l.modelDpi, l.port, l.address, l.usb, l.usbPort, l.bluetooth,
                           l.pin, l.printerName, l.makeDefault, l.printer, l.removeDriver, l.logPath, l.langId,
                           l.error);
}

TEST(ParseCommandLine, AcceptedLines) {
    struct Case {
        Args arguments;
        std::function<void(CommandLine&)> expect;
    };
    const Case cases[] = {
        {{}, [](CommandLine&) {}},
        {{L"/?"}, [](CommandLine& l) { l.mode = CommandMode::Help; }},
        {{L"/install", L"/bogus", L"-H"}, [](CommandLine& l) { l.mode = CommandMode::Help; }},
        {{L"word", L"/Help"}, [](CommandLine& l) { l.mode = CommandMode::Help; }},
        {{L"/install", L"/model:203", L"/port:COM1:"},
         [](CommandLine& l) { l.mode = CommandMode::Install; l.modelDpi = 203; l.port = L"COM1:"; }},
        {{L"-INSTALL", L"-Model=300", L"/IP=10.0.0.256", L"/Name: Front=desk: ", L"/DEFAULT"},
         [](CommandLine& l) {
             l.mode = CommandMode::Install; l.modelDpi = 300; l.address = L"10.0.0.256";
             l.printerName = L" Front=desk: "; l.makeDefault = true;
         }},
        {{L"/lang:2052", L"/install", L"/bluetooth:00-11-22-33-44-55", L"/pin:1234567890123456", L"/model:300",
          L"/log:C:\\Temp\\a b.log"},
         [](CommandLine& l) {
             l.mode = CommandMode::Install; l.modelDpi = 300; l.bluetooth = L"00-11-22-33-44-55";
             l.pin = L"1234567890123456"; l.logPath = L"C:\\Temp\\a b.log"; l.langId = 2052;
         }},
        {{L"/install", L"/usb", L"/model:300"},
         [](CommandLine& l) { l.mode = CommandMode::Install; l.modelDpi = 300; l.usb = true; }},
        {{L"/install", L"/USB:usb002", L"/model:300"},
         [](CommandLine& l) { l.mode = CommandMode::Install; l.modelDpi = 300; l.usb = true; l.usbPort = L"usb002"; }},
        {{L"/check", L"/printer:x", L"/lang:ja-JP"},
         [](CommandLine& l) { l.mode = CommandMode::Check; l.printer = L"x"; l.langId = 1041; }},
        {{L"/check", L"/printer:x", L"/lang:ES-es"},
         [](CommandLine& l) { l.mode = CommandMode::Check; l.printer = L"x"; l.langId = 1034; }},
        {{L"/remove", L"/printer:Front desk", L"/driver", L"/lang:65535"},
         [](CommandLine& l) {
             l.mode = CommandMode::Remove; l.printer = L"Front desk"; l.removeDriver = true; l.langId = 65535;
         }},
        {{L"/check", L"/printer:\u6253\u5370\u673a", L"/lang:01"},
         [](CommandLine& l) { l.mode = CommandMode::Check; l.printer = L"\u6253\u5370\u673a"; l.langId = 1; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        CommandLine expected;
        c.expect(expected);
        EXPECT_EQ(Fields(wizard::ParseCommandLine(c.arguments)), Fields(expected));
    }
}

// Each refusal names what to fix, so a deployment log alone explains exit 87.
TEST(ParseCommandLine, RefusedLinesNameTheOption) {
    struct Case {
        Args arguments;
        const wchar_t* named;
    };
    const Args install = {L"/install", L"/model:300", L"/usb"};
    const auto with = [](Args line, const wchar_t* more) {
        line.push_back(more);
        return line;
    };
    const Case cases[] = {
        {{L"/model:300", L"/usb"}, L"/install"},
        {{L"install"}, L"\"install\""},
        {{L""}, L"\"\""},
        {{L"/install", L"/remove", L"/printer:x"}, L"/install and /remove"},
        {{L"/check", L"-CHECK", L"/printer:x"}, L"/check"},
        {with(install, L"/modle:300"), L"\"/modle:300\""},
        {with(install, L"/"), L"\"/\""},
        {with(with(install, L"/name:x"), L"/NAME:y"), L"/name"},
        {{L"/install", L"/model", L"/usb"}, L"/model"},
        {{L"/install", L"/model:", L"/usb"}, L"/model"},
        {{L"/install", L"/model:250", L"/usb"}, L"/model"},
        {{L"/install", L"/model:0300", L"/usb"}, L"/model"},
        {{L"/install", L"/model:300 ", L"/usb"}, L"/model"},
        {{L"/install", L"/usb"}, L"/model"},
        {{L"/install", L"/model:300", L"/usb:"}, L"/usb"},
        {{L"/install", L"/model:300", L"/usb="}, L"/usb"},
        {{L"/install", L"/model:300"}, L"/port, /ip, /usb or /bluetooth"},
        {{L"/install", L"/model:300", L"/ip:10.0.0.1", L"/port:COM1:"}, L"/ip and /port"},
        {with(install, L"/pin:0000"), L"/pin"},
        {{L"/install", L"/model:300", L"/bluetooth:x", L"/pin:12345678901234567"}, L"/pin"},
        {with(install, L"/printer:x"), L"/printer"},
        {with(install, L"/driver"), L"/driver"},
        {with(install, L"/name:Front\tdesk"), L"/name"},
        {{L"/remove", L"/driver"}, L"/printer"},
        {{L"/remove", L"/printer:x", L"/default"}, L"/default"},
        {{L"/check", L"/printer:x", L"/driver"}, L"/driver"},
        {{L"/check", L"/printer:x\x1f"}, L"/printer"},
        {{L"/check", L"/printer:x", L"/log"}, L"/log"},
        {{L"/check", L"/printer:x", L"/log:C:\\logs\" /check /printer:y"}, L"/log"},
        {{L"/check", L"/printer:x", L"/lang:0"}, L"/lang"},
        {{L"/check", L"/printer:x", L"/lang:65536"}, L"/lang"},
        {{L"/check", L"/printer:x", L"/lang:18446744073709552649"}, L"/lang"},
        {{L"/check", L"/printer:x", L"/lang:de-DE"}, L"/lang"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const std::wstring error = wizard::ParseCommandLine(c.arguments).error;
        EXPECT_NE(error.find(c.named), std::wstring::npos) << testing::PrintToString(error);
    }
}

TEST(UsageText, ListsEveryOptionAndExitCodeInShortCrLfLines) {
    const std::wstring text = wizard::UsageText(L"C:\\Windows\\Temp\\PrinterDriverSetup.log");
    for (const wchar_t* option : {L"/install", L"/remove", L"/check", L"/model:", L"/port:", L"/ip:", L"/usb",
                                  L"/bluetooth:", L"/pin:", L"/name:", L"/default", L"/printer:", L"/driver",
                                  L"/log:", L"/lang:", L"/?", L"/h", L"/help"})
        EXPECT_NE(text.find(option), std::wstring::npos) << testing::PrintToString(std::wstring(option));
    for (const wchar_t* code : {L"\n  0 ", L"\n  1 ", L"\n  87 ", L"\n  1603 ", L"\n  1618 "})
        EXPECT_NE(text.find(code), std::wstring::npos) << testing::PrintToString(std::wstring(code));
    EXPECT_NE(text.find(L"Without /log, the log is written to C:\\Windows\\Temp\\PrinterDriverSetup.log.\r\n"),
              std::wstring::npos);

    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), L"\r\n");
    std::wstringstream lines(text);
    for (std::wstring line; std::getline(lines, line);) {
        ASSERT_FALSE(line.empty()) << "a line feed without a carriage return";
        EXPECT_EQ(line.back(), L'\r') << testing::PrintToString(line);
        EXPECT_LE(line.size(), 79u) << testing::PrintToString(line);
    }
}

}  // namespace
