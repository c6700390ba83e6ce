// A DLL planted beside the program under the name of a system DLL, as
// anybody could put one into a Downloads folder. When a process loads it,
// it leaves "<its own path>.loaded" beside itself, so the test sees it, and
// ends the process with 99 at once: it has none of the real DLL's entry
// points, and a program calling them would only crash later.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH + 8] = {};
    const DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    lstrcatW(path, L".loaded");
    const HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    TerminateProcess(GetCurrentProcess(), 99);
    return FALSE;
}
