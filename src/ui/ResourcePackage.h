// The skin's resource package: an encrypted ZIP archive plus its resource
// index "res.xml", which maps identifiers such as "XML_MAIN" to entry names.
//
// Open copies the archive and reads only the central directory and
// "res.xml"; every other entry is inflated when somebody asks for it.
// After Open the package is immutable and safe to read from any thread.
#pragma once

#include "ui/ZipArchive.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

// Largest entry the toolkit itself reads (layouts, images, language files).
constexpr std::size_t kMaxSkinEntrySize = 16u * 1024 * 1024;

enum class ResourceKind { Image, Xml };

struct ResourceIndexEntry {
    ResourceKind kind;
    std::wstring id;
    std::wstring path;
};

class ResourcePackage {
public:
    // Opens the archive; then loads "res.xml". A missing or malformed index
    // leaves the package open with an empty index (IndexError says why):
    // windows that name layouts directly still work.
    ZipError Open(const void* data, std::size_t size, std::string password);
    void Close();
    bool IsOpen() const { return archive_.IsOpen(); }

    const ZipArchive& Archive() const { return archive_; }
    const std::vector<ResourceIndexEntry>& Index() const { return index_; }
    const std::wstring& IndexError() const { return indexError_; }

    // An identifier of the index of that kind, or else the text itself taken
    // as an entry name. Identifiers are compared exactly.
    std::wstring Resolve(ResourceKind kind, std::wstring_view idOrName) const;

    // Reads one entry by wide name (converted to UTF-8 for the lookup).
    ZipError ReadEntry(std::wstring_view name, std::size_t limit, std::vector<std::uint8_t>& out) const;
    // Reads and decodes a text entry (UTF-8 or BOM-marked UTF-16).
    ZipError ReadText(std::wstring_view name, std::wstring& out) const;

private:
    void LoadIndex();

    ZipArchive archive_;
    std::vector<ResourceIndexEntry> index_;
    std::wstring indexError_;
};

}  // namespace ui
