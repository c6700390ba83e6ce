// The headless window host: windows without a screen, for host tests.
//
// Each thread that creates windows or runs a loop has a queue of tasks.
// SendMessage from another thread queues the call and blocks until the
// window's thread has run it, as SendMessageW does; every loop (the message
// loop, a modal loop) runs queued tasks, so a UI thread inside a modal
// pop-up still handles sends from workers.
#include "ui/WindowHost.h"

#include "ui/Layout.h"
#include "ui/headless/Desktop.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

namespace ui {
namespace {

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

struct ThreadQueue {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<std::function<void()>> tasks;
    bool quit = false;
    int exitCode = 0;
    bool waiting = false;
    bool finished = false;  // its thread runs no loop any more

    void Push(std::function<void()> task) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            tasks.push_back(std::move(task));
        }
        wake.notify_all();
    }

    // Runs tasks until `stop` says so or a quit arrives; with `block` false,
    // only what is queued now.
    void Loop(const std::function<bool()>& stop, bool block) {
        while (true) {
            std::function<void()> task;
            {
                std::unique_lock<std::mutex> lock(mutex);
                while (tasks.empty() && !quit && !stop()) {
                    if (!block) return;
                    waiting = true;
                    idle.notify_all();
                    wake.wait(lock);
                }
                waiting = false;
                if (quit || stop()) return;
                task = std::move(tasks.front());
                tasks.pop_front();
            }
            task();
        }
    }
};

std::shared_ptr<ThreadQueue>& CurrentQueueSlot() {
    thread_local std::shared_ptr<ThreadQueue> queue;
    return queue;
}

std::shared_ptr<ThreadQueue> CurrentQueue() {
    auto& slot = CurrentQueueSlot();
    if (!slot) slot = std::make_shared<ThreadQueue>();
    return slot;
}

struct ModalState {
    bool ended = false;
    int result = 0;
};

}  // namespace

class HeadlessWindowHost final : public WindowHost {
public:
    explicit HeadlessWindowHost(Window& window);
    ~HeadlessWindowHost() override;

    bool Create(const std::wstring& className, std::uint32_t classStyle, const WindowCreation& creation) override;
    void Center() override;
    int RunModal() override;
    void PostClose(int result) override;
    bool IsModal() const override;
    std::intptr_t DefaultProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void Destroy() override;
    WindowHandle Handle() const override;
    bool IsAlive() const override;
    std::wstring Caption() const override;
    void SetCaption(const std::wstring& caption) override;
    bool IsMaximized() const override;
    Rect ClientRect() const override;
    void ClientToScreen(int& x, int& y) const override;
    Size ScreenSize() const override;
    void MoveTo(int x, int y) override;
    void TakeFocus() override;
    void Resize(int cx, int cy) override;
    std::intptr_t Send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void Invalidate() override;
    void NeedUpdate() override;
    Control* FocusedControl() const override;
    void SetFocusTo(Control* control) override;
    void Announce(AccessibleChange change, Control& object) override;
    void ForgetControl(Control* control) override;
    void SetDpi(int dpi) override;
    Size MeasureText(const std::wstring& text, const FontInfo& font) const override;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

struct HeadlessWindowHost::Impl {
    Window& window;
    WindowHandle handle = nullptr;
    std::shared_ptr<ThreadQueue> queue;
    std::wstring className;
    std::wstring caption;
    WindowHandle owner = nullptr;
    Rect rect;
    bool alive = false;
    bool enabled = true;
    bool activates = true;  // false: WS_EX_NOACTIVATE, a click leaves the focus where it is
    bool maximized = false;
    bool minimized = false;
    std::shared_ptr<ModalState> modal;
    Control* focused = nullptr;
    std::vector<headless::Announcement> announcements;
    explicit Impl(Window& w) : window(w) {}
};

namespace {

std::mutex registryMutex;
std::map<WindowHandle, HeadlessWindowHost::Impl*> registry;
std::vector<WindowHandle> creationOrder;
std::atomic<std::uintptr_t> nextHandle{0x1000};

HeadlessWindowHost::Impl* Lookup(WindowHandle handle) {
    std::lock_guard<std::mutex> lock(registryMutex);
    const auto it = registry.find(handle);
    return it == registry.end() ? nullptr : it->second;
}

std::intptr_t DefaultProc(WindowHandle handle, unsigned message, std::uintptr_t wParam);

// The window with the keyboard focus, as the window manager keeps it: the
// window that loses it is told so (WM_KILLFOCUS) before anything else.
std::atomic<WindowHandle> focusWindow{nullptr};
constexpr unsigned kWmKillFocus = 0x0008;

void GiveFocus(WindowHandle handle) {
    const WindowHandle previous = focusWindow.exchange(handle);
    if (previous != nullptr && previous != handle && Lookup(previous) != nullptr)
        SendMessageTo(previous, kWmKillFocus, reinterpret_cast<std::uintptr_t>(handle), 0);
}

// Runs a message on the window's own thread.
std::intptr_t Dispatch(WindowHandle handle, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    HeadlessWindowHost::Impl* impl = Lookup(handle);
    if (impl == nullptr) return 0;
    bool handled = false;
    const std::intptr_t result = impl->window.HandleMessage(message, wParam, lParam, handled);
    return handled ? result : DefaultProc(handle, message, wParam);
}

std::intptr_t DefaultProc(WindowHandle handle, unsigned message, std::uintptr_t wParam) {
    HeadlessWindowHost::Impl* impl = Lookup(handle);
    if (impl == nullptr) return 0;
    if (message == wm::kClose) {
        impl->window.Destroy();
    } else if (message == wm::kSysCommand) {
        switch (wParam & 0xFFF0) {
            case sc::kClose: Dispatch(handle, wm::kClose, 0, 0); break;
            case sc::kMaximize: impl->maximized = true; impl->minimized = false; break;
            case sc::kMinimize: impl->minimized = true; break;
            case sc::kRestore: impl->maximized = impl->minimized = false; break;
            default: break;
        }
    }
    return 0;
}

}  // namespace

HeadlessWindowHost::HeadlessWindowHost(Window& window) : impl_(std::make_unique<Impl>(window)) {}

HeadlessWindowHost::~HeadlessWindowHost() {
    if (!impl_->alive) return;
    std::lock_guard<std::mutex> lock(registryMutex);
    registry.erase(impl_->handle);
    creationOrder.erase(std::remove(creationOrder.begin(), creationOrder.end(), impl_->handle), creationOrder.end());
}

bool HeadlessWindowHost::Create(const std::wstring& className, std::uint32_t, const WindowCreation& creation) {
    impl_->activates = (creation.exStyle & ws::kExNoActivate) == 0;
    impl_->handle = reinterpret_cast<WindowHandle>(nextHandle.fetch_add(0x10));
    impl_->queue = CurrentQueue();
    impl_->className = className;
    impl_->caption = creation.caption;
    impl_->owner = creation.owner;
    impl_->rect = Rect{creation.x, creation.y, creation.x + creation.width, creation.y + creation.height};
    impl_->alive = true;
    {
        std::lock_guard<std::mutex> lock(registryMutex);
        registry[impl_->handle] = impl_.get();
        creationOrder.push_back(impl_->handle);
    }
    if (impl_->window.OnCreate()) return true;
    std::lock_guard<std::mutex> lock(registryMutex);
    registry.erase(impl_->handle);
    creationOrder.erase(std::remove(creationOrder.begin(), creationOrder.end(), impl_->handle), creationOrder.end());
    impl_->alive = false;
    return false;
}

void HeadlessWindowHost::Center() {
    Rect area{0, 0, kScreenWidth, kScreenHeight};
    if (Impl* owner = Lookup(impl_->owner)) area = owner->rect;
    const int cx = impl_->rect.Width(), cy = impl_->rect.Height();
    const int left = area.left + (area.Width() - cx) / 2, top = area.top + (area.Height() - cy) / 2;
    impl_->rect = Rect{left, top, left + cx, top + cy};
}

int HeadlessWindowHost::RunModal() {
    // The state outlives this object: the window may be deleted when it is
    // destroyed, while this loop is still on the stack.
    auto state = std::make_shared<ModalState>();
    impl_->modal = state;
    Impl* owner = Lookup(impl_->owner);
    if (owner) owner->enabled = false;
    const WindowHandle ownerHandle = impl_->owner;
    auto queue = impl_->queue;
    queue->Loop([&state] { return state->ended; }, true);
    if (Impl* stillThere = Lookup(ownerHandle)) stillThere->enabled = true;
    return state->result;
}

void HeadlessWindowHost::PostClose(int result) {
    const WindowHandle handle = impl_->handle;
    impl_->queue->Push([handle, result] {
        Impl* impl = Lookup(handle);
        if (impl == nullptr) return;
        if (auto state = impl->modal) state->result = result;
        impl->window.Destroy();
    });
}

std::intptr_t HeadlessWindowHost::DefaultProc(unsigned message, std::uintptr_t wParam, std::intptr_t) {
    return ui::DefaultProc(impl_->handle, message, wParam);
}

bool HeadlessWindowHost::IsModal() const { return impl_->modal && !impl_->modal->ended; }

void HeadlessWindowHost::Destroy() {
    if (!impl_->alive) return;
    Window& window = impl_->window;
    bool handled = false;
    window.HandleMessage(wm::kDestroy, 0, 0, handled);
    impl_->alive = false;
    {
        std::lock_guard<std::mutex> lock(registryMutex);
        registry.erase(impl_->handle);
        creationOrder.erase(std::remove(creationOrder.begin(), creationOrder.end(), impl_->handle),
                            creationOrder.end());
    }
    if (auto state = impl_->modal) state->ended = true;
    if (Impl* owner = Lookup(impl_->owner)) owner->enabled = true;
    // The last call: the window may delete itself (and this host) here.
    window.FinalMessage();
}

WindowHandle HeadlessWindowHost::Handle() const { return impl_->alive ? impl_->handle : nullptr; }
bool HeadlessWindowHost::IsAlive() const { return impl_->alive; }
std::wstring HeadlessWindowHost::Caption() const { return impl_->caption; }
void HeadlessWindowHost::SetCaption(const std::wstring& caption) { impl_->caption = caption; }
bool HeadlessWindowHost::IsMaximized() const { return impl_->maximized; }
Rect HeadlessWindowHost::ClientRect() const { return Rect{0, 0, impl_->rect.Width(), impl_->rect.Height()}; }

void HeadlessWindowHost::Resize(int cx, int cy) {
    impl_->rect.right = impl_->rect.left + cx;
    impl_->rect.bottom = impl_->rect.top + cy;
}

void HeadlessWindowHost::ClientToScreen(int& x, int& y) const {
    x += impl_->rect.left;
    y += impl_->rect.top;
}

Size HeadlessWindowHost::ScreenSize() const { return Size{impl_->rect.Width(), impl_->rect.Height()}; }

void HeadlessWindowHost::MoveTo(int x, int y) {
    const int cx = impl_->rect.Width(), cy = impl_->rect.Height();
    impl_->rect = Rect{x, y, x + cx, y + cy};
}

void HeadlessWindowHost::TakeFocus() { GiveFocus(impl_->handle); }

std::intptr_t HeadlessWindowHost::Send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    return SendMessageTo(impl_->handle, message, wParam, lParam);
}

void HeadlessWindowHost::Invalidate() {}
void HeadlessWindowHost::NeedUpdate() {}
void HeadlessWindowHost::SetDpi(int) {}
void HeadlessWindowHost::ForgetControl(Control* control) {
    if (impl_->focused == control) impl_->focused = nullptr;
}
Control* HeadlessWindowHost::FocusedControl() const { return impl_->focused; }
void HeadlessWindowHost::SetFocusTo(Control* control) { impl_->focused = control; }
void HeadlessWindowHost::Announce(AccessibleChange change, Control& object) {
    impl_->announcements.push_back(headless::Announcement{change, &object});
}

Size HeadlessWindowHost::MeasureText(const std::wstring& text, const FontInfo& font) const {
    // Without a screen: an average advance of 0.6 em per character.
    return Size{static_cast<int>(text.size()) * font.size * 3 / 5, font.size};
}

namespace {

bool HeadlessWindowEnabled(WindowHandle handle) {
    HeadlessWindowHost::Impl* impl = Lookup(handle);
    return impl != nullptr && impl->enabled;
}

class HeadlessSystem final : public WindowSystem {
public:
    std::unique_ptr<WindowHost> NewWindowHost(Window& window) override {
        return std::make_unique<HeadlessWindowHost>(window);
    }
    void ReleaseSharedResources() override {}
    void ReportLayoutError(std::wstring_view layoutName) override {
        headless::Desktop::Instance().RecordLayoutError(layoutName);
    }
    Window* WindowFromHandle(WindowHandle handle) override;
    int RunMessageLoop() override;
    void PostQuitMessage(int exitCode) override;
    int ShowMessageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption,
                       unsigned style) override;
    std::intptr_t SendMessageTo(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                std::intptr_t lParam) override;
};

}  // namespace

Window* HeadlessSystem::WindowFromHandle(WindowHandle handle) {
    HeadlessWindowHost::Impl* impl = Lookup(handle);
    return impl ? &impl->window : nullptr;
}

int HeadlessSystem::RunMessageLoop() {
    auto queue = CurrentQueue();
    queue->Loop([] { return false; }, true);
    std::lock_guard<std::mutex> lock(queue->mutex);
    queue->quit = false;
    return queue->exitCode;
}

void HeadlessSystem::PostQuitMessage(int exitCode) {
    auto queue = CurrentQueue();
    {
        std::lock_guard<std::mutex> lock(queue->mutex);
        queue->quit = true;
        queue->exitCode = exitCode;
    }
    queue->wake.notify_all();
}

int HeadlessSystem::ShowMessageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption,
                                   unsigned style) {
    return headless::Desktop::Instance().RecordMessageBox(
        headless::MessageBoxRecord{owner, text, caption, style, std::this_thread::get_id()});
}

std::intptr_t HeadlessSystem::SendMessageTo(WindowHandle handle, unsigned message, std::uintptr_t wParam,
                                            std::intptr_t lParam) {
    std::shared_ptr<ThreadQueue> target;
    {
        std::lock_guard<std::mutex> lock(registryMutex);
        const auto it = registry.find(handle);
        if (it == registry.end()) return 0;
        target = it->second->queue;
    }
    if (target == CurrentQueueSlot()) return Dispatch(handle, message, wParam, lParam);

    struct Pending {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        std::intptr_t result = 0;
    };
    auto pending = std::make_shared<Pending>();
    target->Push([pending, handle, message, wParam, lParam] {
        const std::intptr_t result = Dispatch(handle, message, wParam, lParam);
        {
            std::lock_guard<std::mutex> lock(pending->mutex);
            pending->finished = true;
            pending->result = result;
        }
        pending->done.notify_all();
    });
    std::unique_lock<std::mutex> lock(pending->mutex);
    pending->done.wait(lock, [&] { return pending->finished; });
    return pending->result;
}

namespace headless {

void Install() {
    static HeadlessSystem system;
    InstallWindowSystem(system);
}

}  // namespace headless

namespace headless {

Desktop& Desktop::Instance() {
    static Desktop desktop;
    return desktop;
}

void Desktop::Reset() {
    {
        // A quit left over from an earlier test must not end this one's loops.
        auto queue = CurrentQueue();
        std::lock_guard<std::mutex> lock(queue->mutex);
        queue->quit = false;
    }
    focusWindow.store(nullptr);
    std::lock_guard<std::mutex> lock(mutex_);
    boxes_.clear();
    answers_.clear();
    layoutErrorExitCode_ = 0;
}

void Desktop::ScriptAnswers(std::vector<int> answers) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.insert(answers_.end(), answers.begin(), answers.end());
}

std::vector<MessageBoxRecord> Desktop::MessageBoxes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
}

int Desktop::LayoutErrorExitCode() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return layoutErrorExitCode_;
}

std::vector<Window*> Desktop::Windows() const {
    std::lock_guard<std::mutex> lock(registryMutex);
    std::vector<Window*> windows;
    for (WindowHandle handle : creationOrder) windows.push_back(&registry.at(handle)->window);
    return windows;
}

Window* Desktop::FindWindowByClass(std::wstring_view className) const {
    std::lock_guard<std::mutex> lock(registryMutex);
    for (WindowHandle handle : creationOrder)
        if (registry.at(handle)->className == className) return &registry.at(handle)->window;
    return nullptr;
}

int Desktop::RecordMessageBox(MessageBoxRecord record) {
    std::lock_guard<std::mutex> lock(mutex_);
    boxes_.push_back(std::move(record));
    if (answers_.empty()) return mb::kIdOk;
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void Desktop::RecordLayoutError(std::wstring_view layoutName) {
    RecordMessageBox(MessageBoxRecord{nullptr, LayoutErrorText(layoutName), kLayoutErrorCaption, mb::kIconError,
                                      std::this_thread::get_id()});
    std::lock_guard<std::mutex> lock(mutex_);
    layoutErrorExitCode_ = 1;
}

namespace {
bool Usable(Window& window, Control* control) {
    return control != nullptr && control->IsShown() && control->IsEnabled() &&
           HeadlessWindowEnabled(window.Handle());
}
}  // namespace

bool Click(Window& window, std::wstring_view controlName) {
    Control* control = window.FindControl(controlName);
    if (!Usable(window, control)) return false;
    // The window manager activates the window clicked into, unless it asks
    // not to be.
    if (HeadlessWindowHost::Impl* impl = Lookup(window.Handle()); impl != nullptr && impl->activates)
        GiveFocus(window.Handle());
    return control->Activate();
}

bool Type(Window& window, std::wstring_view controlName, const std::wstring& text) {
    auto* edit = dynamic_cast<Edit*>(window.FindControl(controlName));
    if (!Usable(window, edit) || edit->IsReadOnly()) return false;
    edit->SetFocus();
    edit->UserChangedText(text);
    return true;
}

bool ClickCheckBox(Window& window, std::wstring_view controlName, std::size_t row) {
    auto* list = dynamic_cast<Container*>(window.FindControl(controlName));
    if (!Usable(window, list)) return false;
    auto* item = dynamic_cast<ListTextExtElement*>(list->ItemAt(row));
    if (item == nullptr) return false;
    item->ClickCheckBox();
    return true;
}

bool IsMinimized(const Window& window) {
    const HeadlessWindowHost::Impl* impl = Lookup(window.Handle());
    return impl != nullptr && impl->minimized;
}

std::vector<Announcement> TakeAnnouncements(const Window& window) {
    HeadlessWindowHost::Impl* impl = Lookup(window.Handle());
    if (impl == nullptr) return {};
    std::vector<Announcement> taken;
    taken.swap(impl->announcements);
    return taken;
}

void ProcessPending() { CurrentQueue()->Loop([] { return false; }, false); }

UiThread::UiThread() {
    thread_ = std::thread([this] {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queue_ = CurrentQueue();
            started_ = true;
        }
        ready_.notify_all();
        RunMessageLoop();
        // Sends still queued get their answer (0 for windows now gone).
        auto queue = CurrentQueue();
        queue->Loop([] { return false; }, false);
        {
            std::lock_guard<std::mutex> lock(queue->mutex);
            queue->finished = true;
        }
        queue->idle.notify_all();
        CurrentQueueSlot().reset();
    });
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [this] { return started_; });
}

UiThread::~UiThread() {
    Post([] { PostQuitMessage(0); });
    thread_.join();
}

void UiThread::Post(std::function<void()> task) { std::static_pointer_cast<ThreadQueue>(queue_)->Push(std::move(task)); }

void UiThread::WaitIdle() {
    auto queue = std::static_pointer_cast<ThreadQueue>(queue_);
    std::unique_lock<std::mutex> lock(queue->mutex);
    queue->idle.wait(lock, [&] { return (queue->tasks.empty() && queue->waiting) || queue->finished; });
}

bool UiThread::Finished() const {
    auto queue = std::static_pointer_cast<ThreadQueue>(queue_);
    std::lock_guard<std::mutex> lock(queue->mutex);
    return queue->finished;
}

void UiThread::Run(std::function<void()> task) {
    Post(std::move(task));
    WaitIdle();
}

}  // namespace headless
}  // namespace ui
