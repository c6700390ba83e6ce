// The modal loop of a pop-up, and the message loop that runs every window
// of the thread.
#include "ui/win32/HostWindow.h"

namespace ui {

bool PreTranslate(const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB) return false;
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    if (root == nullptr || reinterpret_cast<WNDPROC>(GetWindowLongPtrW(root, GWLP_WNDPROC)) != WindowProc) return false;
    auto* impl = reinterpret_cast<Win32WindowHost::Impl*>(GetWindowLongPtrW(root, GWLP_USERDATA));
    if (impl == nullptr) return false;
    impl->MoveFocus(GetKeyState(VK_SHIFT) < 0);
    return true;
}

int RunThreadMessageLoop() {
    MSG message;
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (PreTranslate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return got == 0 ? static_cast<int>(message.wParam) : -1;
}

int Win32WindowHost::RunModal() {
    auto ended = std::make_shared<bool>(false);
    impl_->modalEnded = ended;
    HWND self = impl_->hwnd;
    HWND owner = impl_->owner;
    int* result = &impl_->modalResult;
    int answer = 0;
    if (owner) EnableWindow(owner, FALSE);
    ShowWindow(self, SW_SHOWNORMAL);
    MSG message;
    while (!*ended) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {  // WM_QUIT: leave the modal loop and pass it on
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got < 0) break;
        if (PreTranslate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
        // Once the window is gone the host may be gone with it.
        if (*ended) break;
        answer = *result;
    }
    if (owner && IsWindow(owner)) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
    return answer;
}

void Win32WindowHost::PostClose(int result) {
    impl_->modalResult = result;
    PostMessageW(impl_->hwnd, WM_CLOSE, 0, 0);
}

bool Win32WindowHost::IsModal() const { return impl_->modalEnded && !*impl_->modalEnded; }

}  // namespace ui
