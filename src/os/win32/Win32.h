// Conversions between the boundary's plain types and Win32's, shared by the
// os/win32 sources.
#pragma once

#include "os/Devices.h"

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>

namespace os::win32 {

template <typename Handle>
Handle FromPointer(const void* pointer) {
    return static_cast<Handle>(reinterpret_cast<std::uintptr_t>(pointer));
}

template <typename Pointer, typename Handle>
Pointer ToPointer(Handle handle) {
    return reinterpret_cast<Pointer>(static_cast<std::uintptr_t>(handle));
}

// A null string from the system is an empty text.
inline std::wstring TextOf(const wchar_t* text) { return text ? text : L""; }

// The Win32 calls take non-const strings they do not change; an empty text
// is passed as NULL.
inline wchar_t* Writable(const std::wstring& text) { return const_cast<wchar_t*>(text.c_str()); }
inline wchar_t* OrNull(const std::wstring& text) { return text.empty() ? nullptr : Writable(text); }

inline GUID ToGuid(const Guid& guid) {
    GUID result{guid.data1, guid.data2, guid.data3, {}};
    std::copy(std::begin(guid.data4), std::end(guid.data4), result.Data4);
    return result;
}

inline Guid FromGuid(const GUID& guid) {
    Guid result{guid.Data1, guid.Data2, guid.Data3, {}};
    std::copy(std::begin(guid.Data4), std::end(guid.Data4), result.data4);
    return result;
}

// Sets the last error and returns false, so a wrapper can restore the code
// of the call after its own conversions.
inline bool Fail(DWORD error) {
    ::SetLastError(error);
    return false;
}

}  // namespace os::win32
