// The toolkit's text store: language texts by key, loaded from language
// files of the resource package.
//
// Loading merges into the store (keys are added or replaced, never removed)
// and publishes a new store in one step, so a worker thread translating while
// the UI thread loads another language sees either the old or the new store,
// never a mix of a half-written map.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace ui {

class ResourcePackage;

class TextManager {
public:
    // The process-wide store that controls in resource-text mode use.
    static TextManager& Process();

    // Loads a language file: an entry name of `package`, or the XML text
    // itself when the argument begins with "<". False (and the store
    // unchanged) when it is missing or does not parse.
    bool Load(std::wstring_view nameOrXml, const ResourcePackage& package);
    // The same from the toolkit's own package.
    bool Load(std::wstring_view nameOrXml);

    // The text stored for `key`; else the fallback's answer if it gives one;
    // else the key itself. A null key gives "".
    std::wstring Translate(std::wstring_view key) const;
    std::wstring Translate(const wchar_t* key) const;
    bool Contains(std::wstring_view key) const;

    // Asked for keys the store lacks; an empty answer means "no text".
    using Fallback = std::function<std::wstring(std::wstring_view key)>;
    void SetFallback(Fallback fallback);

    void Clear();

private:
    using Store = std::unordered_map<std::wstring, std::wstring>;
    std::shared_ptr<const Store> Snapshot() const;

    mutable std::mutex mutex_;
    std::shared_ptr<const Store> store_ = std::make_shared<Store>();
    Fallback fallback_;
};

}  // namespace ui
