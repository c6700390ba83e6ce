#include "ui/ResourcePackage.h"

#include "ui/PhaseTrace.h"

#include "ui/Utf.h"
#include "ui/Xml.h"

namespace ui {

namespace {
constexpr wchar_t kIndexName[] = L"res.xml";
}

ZipError ResourcePackage::Open(const void* data, std::size_t size, std::string password) {
    Close();
    const ZipError error = archive_.Open(data, size, std::move(password));
    MarkPhase("package open");
    if (error == ZipError::None) LoadIndex();
    MarkPhase("res.xml");
    return error;
}

void ResourcePackage::Close() {
    archive_.Close();
    index_.clear();
    indexError_.clear();
}

void ResourcePackage::LoadIndex() {
    std::wstring text;
    const ZipError error = ReadText(kIndexName, text);
    if (error != ZipError::None) {
        indexError_ = std::wstring(kIndexName) + L": " + Utf8ToWide(ZipErrorText(error));
        return;
    }
    XmlElement root;
    const XmlParseResult parsed = ParseXml(text, root);
    if (!parsed.ok) {
        indexError_ = std::wstring(kIndexName) + L": " + parsed.error;
        return;
    }
    for (const XmlElement& child : root.children) {
        ResourceKind kind;
        if (child.name == L"Image") kind = ResourceKind::Image;
        else if (child.name == L"Xml") kind = ResourceKind::Xml;
        else continue;
        const std::wstring* id = child.Attribute(L"id");
        const std::wstring* path = child.Attribute(L"path");
        if (id == nullptr || path == nullptr || id->empty() || path->empty()) continue;
        index_.push_back(ResourceIndexEntry{kind, *id, *path});
    }
}

std::wstring ResourcePackage::Resolve(ResourceKind kind, std::wstring_view idOrName) const {
    for (const ResourceIndexEntry& entry : index_)
        if (entry.kind == kind && entry.id == idOrName) return entry.path;
    return std::wstring(idOrName);
}

ZipError ResourcePackage::ReadEntry(std::wstring_view name, std::size_t limit, std::vector<std::uint8_t>& out) const {
    return archive_.Read(WideToUtf8(name), limit, out);
}

ZipError ResourcePackage::ReadText(std::wstring_view name, std::wstring& out) const {
    std::vector<std::uint8_t> bytes;
    const ZipError error = ReadEntry(name, kMaxSkinEntrySize, bytes);
    if (error == ZipError::None) out = DecodeTextFile(bytes);
    return error;
}

}  // namespace ui
