// Font faces that exist on this system and can show a given text.
#pragma once

#include <string>
#include <string_view>

namespace ui {

// `face` itself when it is installed and has glyphs for every character of
// `text`; otherwise the first installed face, from a list for the text's
// script, that has them; otherwise `face`. Layouts name Windows faces
// ("宋体", "Microsoft YaHei"); under Wine or on a system without them the
// text still shows in a face that can draw it.
std::wstring ResolveFontFace(const std::wstring& face, std::wstring_view text = {});

}  // namespace ui
