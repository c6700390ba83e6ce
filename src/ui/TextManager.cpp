#include "ui/TextManager.h"

#include "base/Strings.h"
#include "ui/ResourcePackage.h"
#include "ui/Toolkit.h"
#include "ui/Xml.h"

namespace ui {

TextManager& TextManager::Process() {
    static TextManager manager;
    return manager;
}

std::shared_ptr<const TextManager::Store> TextManager::Snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return store_;
}

bool TextManager::Load(std::wstring_view nameOrXml, const ResourcePackage& package) {
    std::wstring text;
    if (!nameOrXml.empty() && nameOrXml.front() == L'<') {
        text.assign(nameOrXml);
    } else if (package.ReadText(nameOrXml, text) != ZipError::None) {
        return false;
    }
    XmlElement root;
    if (!ParseXml(text, root).ok) return false;

    // Only the UI thread loads; readers keep whichever snapshot they took.
    auto merged = std::make_shared<Store>(*Snapshot());
    for (const XmlElement& child : root.children) {
        if (!base::EqualNoCaseAscii(child.name, L"Text")) continue;
        const std::wstring* id = child.AttributeIgnoringCase(L"id");
        const std::wstring* value = child.AttributeIgnoringCase(L"value");
        if (id == nullptr || value == nullptr) continue;
        (*merged)[*id] = *value;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    store_ = std::move(merged);
    return true;
}

bool TextManager::Load(std::wstring_view nameOrXml) { return Load(nameOrXml, Toolkit::Process().Package()); }

std::wstring TextManager::Translate(std::wstring_view key) const {
    const auto store = Snapshot();
    const auto it = store->find(std::wstring(key));
    if (it != store->end()) return it->second;
    Fallback fallback;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fallback = fallback_;
    }
    if (fallback) {
        std::wstring answer = fallback(key);
        if (!answer.empty()) return answer;
    }
    return std::wstring(key);
}

std::wstring TextManager::Translate(const wchar_t* key) const {
    return key == nullptr ? std::wstring() : Translate(std::wstring_view(key));
}

bool TextManager::Contains(std::wstring_view key) const {
    const auto store = Snapshot();
    return store->count(std::wstring(key)) != 0;
}

void TextManager::SetFallback(Fallback fallback) {
    std::lock_guard<std::mutex> lock(mutex_);
    fallback_ = std::move(fallback);
}

void TextManager::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    store_ = std::make_shared<Store>();
    fallback_ = nullptr;
}

}  // namespace ui
