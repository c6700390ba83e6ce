// The headless window host's desktop: what tests see and drive instead of a
// screen. Windows live on the thread that created them and run the same
// control tree and handlers as on Windows; message boxes are recorded and
// answered as the test scripted.
#pragma once

#include "ui/Window.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ui::headless {

struct MessageBoxRecord {
    WindowHandle owner = nullptr;
    std::wstring text;
    std::wstring caption;
    unsigned style = 0;
    std::thread::id thread;
};

// Makes the headless host the process's window system; test programs call
// it before their first window.
void Install();

class Desktop {
public:
    static Desktop& Instance();

    // Forgets boxes, answers, the layout-error exit code and a quit message
    // still pending on the calling thread.
    void Reset();

    // The next message boxes are answered with these, in order; without a
    // scripted answer a box is answered with OK.
    void ScriptAnswers(std::vector<int> answers);
    std::vector<MessageBoxRecord> MessageBoxes() const;
    // The exit code the toolkit's layout error would have ended the process
    // with (1), or 0 when there was none.
    int LayoutErrorExitCode() const;

    // Live windows, in creation order.
    std::vector<Window*> Windows() const;
    Window* FindWindowByClass(std::wstring_view className) const;

    // Host side.
    int RecordMessageBox(MessageBoxRecord record);
    void RecordLayoutError(std::wstring_view layoutName);

private:
    mutable std::mutex mutex_;
    std::vector<MessageBoxRecord> boxes_;
    std::deque<int> answers_;
    int layoutErrorExitCode_ = 0;
};

// User actions on the calling thread, which must be the window's thread.
// False when the control is missing, hidden, disabled or of the wrong kind.
bool Click(Window& window, std::wstring_view controlName);
bool Type(Window& window, std::wstring_view controlName, const std::wstring& text);
bool ClickCheckBox(Window& window, std::wstring_view controlName, std::size_t row);
// Whether the window was minimised (SC_MINIMIZE) and not restored since.
bool IsMinimized(const Window& window);
// What the window told assistive technology since the last call, oldest
// first; the record starts empty again.
struct Announcement {
    AccessibleChange change;
    const Control* object;
};
std::vector<Announcement> TakeAnnouncements(const Window& window);
// Runs every task and sent message queued for the calling thread.
void ProcessPending();

// A thread that runs the headless message loop, for tests that need a UI
// thread apart from the test's own (modal loops, workers waiting on sends).
class UiThread {
public:
    UiThread();
    ~UiThread();
    UiThread(const UiThread&) = delete;
    UiThread& operator=(const UiThread&) = delete;

    // Queues `task` on the UI thread and returns at once.
    void Post(std::function<void()> task);
    // Returns when every posted task has started and the UI thread waits
    // for work again (possibly inside a modal loop a task opened), or when
    // its loop has ended (a window posted the quit message).
    void WaitIdle();
    // Post, then WaitIdle.
    void Run(std::function<void()> task);
    // Whether the thread's message loop has ended.
    bool Finished() const;
    std::thread::id Id() const { return thread_.get_id(); }

private:
    std::thread thread_;
    std::shared_ptr<void> queue_;  // the thread's task queue
    std::mutex mutex_;
    std::condition_variable ready_;
    bool started_ = false;
};

}  // namespace ui::headless
