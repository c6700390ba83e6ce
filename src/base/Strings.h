// Text helpers that every layer uses: case folding, comparisons without
// case, and the small string-list operations of the delete tab and the
// device walks. Standard library only, so it sits below everything else.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace base {

// Lower-cases with the C library's wide-character rules (the program never
// changes the C locale), as names of printers, drivers and registry keys
// need: they compare without case in Windows.
std::wstring Lower(std::wstring_view text);
// Lower-cases A-Z only: for names the program itself defines (options,
// skin attributes), whose meaning must not depend on the locale.
std::wstring LowerAscii(std::wstring_view text);

bool EqualNoCase(std::wstring_view a, std::wstring_view b);
bool EqualNoCaseAscii(std::wstring_view a, std::wstring_view b);
// An empty part is always contained.
bool ContainsNoCase(std::wstring_view text, std::wstring_view part);

// Index of the first element equal to text, or -1.
int IndexOfString(const std::vector<std::wstring>& list, const std::wstring& text);
void AddUniqueString(std::vector<std::wstring>& list, const std::wstring& text);
// Removes every element that contains text; the rest keep their order.
void RemoveStringsContaining(std::vector<std::wstring>& list, const std::wstring& text);
// Appends the pieces of text between delimiters: "a,,b," gives a, "", b
// (an empty piece between two delimiters, none after a trailing one).
void SplitString(const std::wstring& text, wchar_t delimiter, std::vector<std::wstring>& pieces);

}  // namespace base
