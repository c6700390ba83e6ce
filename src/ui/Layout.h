// Reading a window's layout document out of the resource package.
#pragma once

#include "ui/ResourcePackage.h"
#include "ui/Xml.h"

#include <string>
#include <string_view>

namespace ui {

// The text of the toolkit's box when a window's layout cannot be built:
// "加载资源文件失败：" ("failed to load the resource file") and the name.
std::wstring LayoutErrorText(std::wstring_view layoutName);
inline constexpr wchar_t kLayoutErrorCaption[] = L"Skin UI";

// Resolves `idOrName` through the index, reads and parses the document.
// `error` says what went wrong when false is returned.
bool LoadLayoutDocument(const ResourcePackage& package, std::wstring_view idOrName, XmlElement& root,
                        std::wstring& error);

}  // namespace ui
