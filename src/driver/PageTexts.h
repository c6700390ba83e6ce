// The texts the driver shows (its two property pages, the name of its paper
// source) in the program's seven languages, chosen by the user's UI
// language.
#pragma once

#include <cstdint>

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
};

// By the language's primary part (a Windows LANGID); English for a
// language the driver does not speak.
const PageTexts& TextsFor(std::uint16_t langId);

}  // namespace driver
