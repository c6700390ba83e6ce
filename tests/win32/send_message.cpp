// Another program's message to a window of ours, as a clipboard tool sends
// WM_COPY to the focused window:  send_message <window class> <message>
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    HWND window = FindWindowW(argv[1], nullptr);
    if (window == nullptr) return 3;
    DWORD_PTR answer = 0;
    const auto message = static_cast<UINT>(std::wcstoul(argv[2], nullptr, 0));
    return SendMessageTimeoutW(window, message, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) ? 0 : 4;
}
