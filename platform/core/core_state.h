// Shared state of the platform core: window classes and windows, the UI thread's message queue,
// timers, the platform clock and the threads that wait on it. One mutex guards all of it; window
// procedures and hooks are always called with the mutex released.
#pragma once

#ifndef MV_PLATFORM_INTERNAL
#error "platform-internal header: outside platform/, include only platform/include/ (see platform/README.md)"
#endif

#include <atomic>
#include <condition_variable>
#include <cstdarg>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/mv_platform.h"
#include "platform/win_time.h"
#include "platform/win_window.h"

namespace mv {

using Lock = std::unique_lock<std::mutex>;

struct WindowClass {
    std::wstring name;
    WNDPROC proc = nullptr;
    UINT style = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HBRUSH background = nullptr;
    WORD atom = 0;
    // Registered by the platform itself (shell chrome): such windows are never the main window.
    bool platform = false;
};

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<WindowClass> cls;
    WNDPROC proc = nullptr;
    std::wstring text;
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG id = 0;
    LONG_PTR userData = 0;
    HWND parent = nullptr;       // set for child windows only
    HWND owner = nullptr;        // top-level windows created with a parent but without WS_CHILD
    std::vector<HWND> children;  // z-order, bottom first
    RECT rect{};                 // parent client coordinates (screen coordinates for top-level windows)
    bool destroying = false;
    bool invalid = false;
    RECT invalidRect{};   // client coordinates
    uint64_t serial = 0;  // creation order
};

enum class ThreadState { Running, Blocked, Sending, Finished };

// A thread other than the UI thread that waits on the platform clock or on platform objects.
struct ThreadRec {
    DWORD tid = 0;
    ThreadState state = ThreadState::Running;
    int64_t wakeAt = -1;              // platform ms at which a timed block ends; -1 none
    bool woken = false;               // set (under the mutex) by whoever ends the block
    const void* waitingOn = nullptr;  // object the block waits for, if any
    // Moves with the platform clock (made by CreateThread, or has slept or waited with a
    // timeout): the manual clock waits for it to block. Other threads run freely.
    bool clock = false;
    bool ignored = false;  // did not settle in time; no longer waited for
    bool warned = false;
    // The system thread of a thread made by CreateThread, known from its start until it ends.
    std::thread::native_handle_type native{};
    bool hasNative = false;
    // The thread's own wake-up: notified only when something it waits for may have changed
    // (its block ended, a message it sent was answered), so other threads' events cost it nothing.
    std::condition_variable cv;
};

struct KernelObject {
    enum Kind { Event, Thread, File } kind = Event;
    bool signalled = false;
    bool manualReset = true;
    DWORD exitCode = 259;  // STILL_ACTIVE
    DWORD tid = 0;
    int fd = -1;  // a File's descriptor, closed with the last reference
    KernelObject() = default;
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;
    ~KernelObject();
};

struct SentMessage {
    HWND hwnd = nullptr;
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;
    DWORD time = 0;  // platform ms when it was sent
    bool done = false;
    std::shared_ptr<ThreadRec> sender;
};

// Close: the display's window was closed; WM_CLOSE for the main window, in input order.
// Shown: the display's window was minimized or hidden (x 0) or shown again (x 1).
enum class InputKind { Down, Move, Up, KeyDown, KeyUp, Char, SoftKey, Close, Shown };

struct InputEvent {
    InputKind kind = InputKind::Down;
    int x = 0;
    int y = 0;
    UINT vk = 0;
    bool ctrl = false;
    bool shift = false;
    wchar_t ch = 0;
    bool noTranslate = false;  // the character arrives separately (display text input)
};

struct Timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    UINT interval = 0;
    UINT tolerance = 0;  // ms it may fire late to share a wake (real clock only)
    int64_t due = 0;
    TIMERPROC proc = nullptr;
    uint64_t seq = 0;
};

// lParam bit of a platform WM_KEYDOWN whose character is delivered separately as WM_CHAR.
constexpr LPARAM kKeyNoTranslate = 0x02000000;
// Handles of windows of another instance (FindWindowW across processes).
constexpr uintptr_t kRemoteHandleBase = 0x7E000000u;

struct Core {
    std::mutex mutex;
    // The UI thread's wake-up (its idle wait, settling, waits for objects). Other threads wait on
    // their own ThreadRec::cv.
    std::condition_variable cv;
    // The object the UI thread waits for in WaitForSingleObject or EnterCriticalSection, if any.
    const void* uiWaitingOn = nullptr;

    bool initialized = false;
    bool hasUiThread = false;
    std::thread::id uiThread;
    bool shuttingDown = false;
    std::string modulePath;  // GetModuleFileNameW override

    // Classes and windows.
    std::map<std::wstring, std::shared_ptr<WindowClass>> classes;
    WORD nextAtom = 0xC000;
    std::unordered_map<uintptr_t, std::unique_ptr<Window>> windows;
    std::vector<HWND> topLevels;  // z-order, bottom first
    uintptr_t nextWindowHandle = 0x10000;
    uint64_t nextSerial = 1;
    HWND focus = nullptr;
    HWND capture = nullptr;
    HWND foreground = nullptr;
    bool registeringPlatformClasses = false;

    // The UI thread's queue.
    std::deque<SentMessage*> sent;
    std::deque<MSG> posted;
    int64_t postedSince = 0;  // NowMs when the posted queue last went from empty to not
    std::deque<InputEvent> input;
    bool quitPending = false;
    int quitCode = 0;
    bool wakePending = false;
    bool raisePending = false;
    HWND raiseTarget = nullptr;
    std::vector<Timer> timers;
    uint64_t timerSeq = 0;
    bool ctrlDown = false;
    bool shiftDown = false;
    POINT lastPos{};

    // Clock.
    std::atomic<bool> manual{false};
    std::atomic<int64_t> manualMs{0};
    int64_t manualStartLocal = 0;  // local seconds at manual ms 0

    // Threads and kernel objects.
    std::vector<std::shared_ptr<ThreadRec>> threads;
    std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> objects;
    uintptr_t nextObjectHandle = 0x20000000;

    // Script waits: platform ms until which GetMessageW lets time pass; -1 none.
    int64_t scriptWaitUntil = -1;

    std::shared_ptr<std::function<void(HWND, UINT, WPARAM, LPARAM)>> observer;
};

Core& CoreState();

// ---- Lazy set-up: the first thread that uses windows becomes the UI thread ----
void EnsureUiThread();
bool IsUiThreadLocked();

// ---- Windows (window_manager.cpp), mutex held ----
Window* WindowLocked(HWND hWnd);
bool VisibleLocked(const Window* w);
RECT ScreenRectLocked(const Window* w);
HWND TopLevelLocked(HWND hWnd);
HWND MainWindowLocked();
HWND WindowFromPointLocked(int x, int y);
void InvalidateLocked(Window* w, const RECT* clientRect, bool withChildren);
void ExposeLocked(const RECT& screenRect, HWND except);
// The next visible window that needs painting and matches the filter; skips the given ones.
HWND PaintCandidateLocked(HWND filter, const std::vector<HWND>& skip);
bool WindowMatchesFilterLocked(HWND hWnd, HWND filter);
// Forgets every window without sending messages (platform shutdown).
void DropAllWindowsLocked();

// ---- Messages (message_queue.cpp) ----
// Calls a window procedure (observer first); mutex NOT held. GetMessageTime answers `time` (the
// message's own time: when it was posted or sent) while the procedure runs; without it, now.
LRESULT CallWindowProcedureAt(DWORD time, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcedure(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
void WakeUiLocked();
// Wakes the UI thread if it waits for the clock threads to settle (manual clock only).
void NotifySettleLocked();
// Handles every message sent from other threads; mutex held (released around the calls).
bool HandleSentLocked(Lock& lk);
constexpr unsigned kTakeRemove = 1, kTakeTimers = 2, kTakeQuit = 4, kTakePaint = 8;
// Takes the next ready message in GetMessageW order. Soft-key input is carried out on the way
// (mutex released meanwhile). Returns false when nothing is ready.
bool TakeReadyLocked(Lock& lk, MSG* msg, HWND filter, UINT minMsg, UINT maxMsg, unsigned flags,
                     const std::vector<HWND>& skipPaint);
// Dispatches everything that is ready now (posted, input, paint, due timers; WM_QUIT only when
// asked). Returns -1 when WM_QUIT was taken, 1 when something was dispatched, else 0.
int DispatchReadyLocked(Lock& lk, bool takeQuit, int* quitCode);
void FailPendingSendsLocked();

// ---- Input (input.cpp), mutex held ----
void EnqueueInputLocked(const InputEvent& ev);
// Turns the next input event into a message. Returns 0 none, 1 msg filled, 2 consumed (no message).
int TakeInputLocked(Lock& lk, MSG* msg, HWND filter, UINT minMsg, UINT maxMsg, bool remove);

// ---- Clock (clock.cpp) ----
int64_t NowMs();
int64_t CurrentLocalSecondsForStart();
// "YYYY-MM-DD HH:MM:SS" (or "YYYY-MM-DD") as local seconds since 1970.
bool ParseLocalDateTime(const std::string& text, int64_t* localSeconds);
int64_t RealMonotonicMs();
void SetManualNowLocked(int64_t ms);

// ---- Timers (timers.cpp), mutex held ----
// The earliest due time of the timers, or -1. With their tolerance: the latest moment the real
// clock's loop may sleep to.
int64_t NextTimerDueLocked(bool withTolerance = false);
bool TakeDueTimerLocked(MSG* msg, HWND filter, bool remove);
void KillWindowTimersLocked(HWND hWnd);

// ---- Threads (threads.cpp), mutex held ----
bool AnyRunningLocked();
// The record of the calling thread (created on first use); never the UI thread.
std::shared_ptr<ThreadRec> SelfRecLocked();
// The calling thread becomes the UI thread: it is no longer one of the waited-for threads.
void ForgetSelfRecLocked();
int64_t NextSleeperWakeLocked();
// Moves the manual clock to t and wakes the threads whose timed block is due.
void AdvanceManualToLocked(int64_t t);
// Waits until no platform thread is running; handles sent messages meanwhile when asked.
void SettleLocked(Lock& lk, bool handleSent);
void WakeAllBlockedLocked();
// Wakes the sleeper due first if it is due by t (moving the manual clock to its time).
bool WakeOneDueLocked(int64_t t);

// ---- Display (display_*.cpp) ----
class DisplayBackend {
public:
    virtual ~DisplayBackend() = default;
    virtual bool Init() = 0;
    // Why Init failed, in the display library's own words (empty when it did not say).
    virtual std::string InitError() const { return {}; }
    virtual void Shutdown() = 0;
    // Turns pending display events into input; UI thread.
    virtual void PollEvents() = 0;
    // Waits for a display event or a wake; timeout -1 waits without limit; UI thread, mutex NOT held.
    virtual void WaitEvents(int64_t timeoutMs) = 0;
    // Wakes WaitEvents from any thread (mutex held).
    virtual void Wake() = 0;
    // Presents the framebuffer when it changed; returns ms until another present is due, or -1.
    virtual int64_t Present() = 0;
    virtual void Raise() = 0;
    virtual bool WaitsItself() const = 0;
};
DisplayBackend* Display();
void SetDisplay(std::unique_ptr<DisplayBackend> display);
std::unique_ptr<DisplayBackend> CreateHeadlessDisplay();
std::unique_ptr<DisplayBackend> CreateSdlDisplay();

// ---- Close signals (close_signals.cpp) ----
// SIGINT/SIGTERM become a close of the main window (headless runs of the program).
void InstallCloseSignals();
void RemoveCloseSignals();

// ---- Script (script.cpp) ----
bool ScriptHasStep();
// Runs the next step; mutex NOT held.
void RunScriptStep();
void ScriptLoadFromEnvironment(const std::string& inlineScript);
void ScriptReset();

// ---- Single instance (single_instance.cpp) ----
void InstanceServerStart();
void InstanceServerStop();
HWND FindRemoteWindow(LPCWSTR className, LPCWSTR windowName);
bool RaiseRemoteWindow(HWND hWnd);
bool IsRemoteHandle(HWND hWnd);
// Carries out a raise request from another instance; UI thread, mutex NOT held.
void ApplyRaise();

// ---- Text helpers (text.cpp) ----
std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);
// Windows-convention formatting (%s wide).
std::wstring FormatWindowsV(const wchar_t* format, va_list args);

}  // namespace mv
