// The client side of MSAA for the Windows test programs: a COM reference
// holder and the calls a screen reader makes most.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// Owns one COM reference.
template <class T>
class Ref {
public:
    Ref() = default;
    // Takes over a reference the caller owns.
    explicit Ref(T* p) : p_(p) {}
    Ref(const Ref& other) : p_(other.p_) {
        if (p_) p_->AddRef();
    }
    Ref& operator=(Ref other) {
        std::swap(p_, other.p_);
        return *this;
    }
    ~Ref() {
        if (p_) p_->Release();
    }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    // For a call that hands out a new reference.
    T** out() { return &p_; }
    void** out_void() { return reinterpret_cast<void**>(&p_); }

private:
    T* p_ = nullptr;
};

inline VARIANT ChildId(LONG id) {
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

inline VARIANT Self() { return ChildId(CHILDID_SELF); }

// One of an object's texts (get_accName, ...), "" if none.
inline std::wstring TextOf(IAccessible* object, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*),
                           LONG child = CHILDID_SELF) {
    BSTR text = nullptr;
    const HRESULT hr = (object->*get)(ChildId(child), &text);
    std::wstring out = SUCCEEDED(hr) && text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return out;
}

// The IAccessible of a child VARIANT that holds an object; empty otherwise.
inline Ref<IAccessible> ObjectOf(const VARIANT& child) {
    Ref<IAccessible> object;
    if (child.vt == VT_DISPATCH && child.pdispVal)
        child.pdispVal->QueryInterface(__uuidof(IAccessible), object.out_void());
    return object;
}

// One WinEvent as a hook hears it.
struct HeardEvent {
    DWORD event;
    HWND hwnd;
    LONG object;
    LONG child;
};

// What the hooks of this thread heard, oldest first.
inline std::vector<HeardEvent>& HeardEvents() {
    static std::vector<HeardEvent> heard;
    return heard;
}

// A WINEVENTPROC that records each event.
inline void CALLBACK RecordEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    HeardEvents().push_back(HeardEvent{event, hwnd, object, child});
}

// The name of the object an event is about, found as a screen reader finds
// it (AccessibleObjectFromEvent); false when it leads to no object.
inline bool NameOfEvent(const HeardEvent& heard, std::wstring& name) {
    Ref<IAccessible> object;
    VARIANT child;
    VariantInit(&child);
    if (AccessibleObjectFromEvent(heard.hwnd, static_cast<DWORD>(heard.object), static_cast<DWORD>(heard.child),
                                  object.out(), &child) != S_OK ||
        object.get() == nullptr)
        return false;
    name = TextOf(object.get(), &IAccessible::get_accName, child.vt == VT_I4 ? child.lVal : CHILDID_SELF);
    VariantClear(&child);
    return true;
}

}  // namespace testing_support
