#include "ui/Layout.h"

#include "ui/Utf.h"

namespace ui {

std::wstring LayoutErrorText(std::wstring_view layoutName) {
    return std::wstring(L"\u52a0\u8f7d\u8d44\u6e90\u6587\u4ef6\u5931\u8d25\uff1a") + std::wstring(layoutName);
}

bool LoadLayoutDocument(const ResourcePackage& package, std::wstring_view idOrName, XmlElement& root,
                        std::wstring& error) {
    if (!package.IsOpen()) {
        error = L"no resource package";
        return false;
    }
    const std::wstring entry = package.Resolve(ResourceKind::Xml, idOrName);
    std::wstring text;
    const ZipError readError = package.ReadText(entry, text);
    if (readError != ZipError::None) {
        error = entry + L": " + Utf8ToWide(ZipErrorText(readError));
        return false;
    }
    const XmlParseResult parsed = ParseXml(text, root);
    if (!parsed.ok) {
        error = entry + L": " + parsed.error;
        return false;
    }
    return true;
}

}  // namespace ui
