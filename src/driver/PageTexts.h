// The texts the driver shows (its two property pages, the name of its paper
// source) in the program's seven languages, chosen by the user's UI
// language.
#pragma once

#include <cstdint>
#include <string>

namespace driver {

struct PageTexts {
    // The preferences page: one document's settings.
    const wchar_t* settingsTitle;
    const wchar_t* paper;
    const wchar_t* orientation;
    const wchar_t* portrait;
    const wchar_t* landscape;
    const wchar_t* darkness;
    const wchar_t* lighter;
    const wchar_t* darker;
    // The printer's own page: what the model is.
    const wchar_t* printerTitle;
    const wchar_t* model;
    const wchar_t* resolution;
    const wchar_t* printableArea;
    const wchar_t* cutter;
    const wchar_t* cuts;
    const wchar_t* noCutter;
    // The one paper source, as DeviceCapabilities names it (at most 23
    // characters).
    const wchar_t* automaticSource;
    // Both pages' button that opens the help file.
    const wchar_t* help;
};

// By the language's primary part (a Windows LANGID); English for a
// language the driver does not speak.
const PageTexts& TextsFor(std::uint16_t langId);

// The help file (UTF-8, one section per language, each headed by the
// language's own name over a line of "=") with the section of `langId`'s
// language first, English for any other; the others follow in their order.
// A text without such sections comes back as it is.
std::string HelpInLanguageFirst(const std::string& help, std::uint16_t langId);

}  // namespace driver
