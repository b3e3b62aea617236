// Platform start and end: the UI thread, the clock, the display backend, the input script and
// the shell chrome, chosen from the options and the environment:
//   MOVIMETRA_DISPLAY=sdl|headless   display backend (default: sdl; headless only when asked)
//   MOVIMETRA_CLOCK=manual|real      clock (a script implies manual unless this says real)
//   MOVIMETRA_CLOCK_START="YYYY-MM-DD HH:MM:SS"   local start time of the manual clock
//   MOVIMETRA_SCRIPT=FILE            input script (implies the headless display unless
//                                    MOVIMETRA_DISPLAY says otherwise)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/core/core_state.h"
#include "platform/core/mv_internal.h"
#include "platform/mv_platform.h"

namespace mv {

namespace {

std::unique_ptr<DisplayBackend> g_display;
MvDisplayKind g_displayKind = MvDisplayKind::Headless;

// How long the end waits for the desktop thread's queued calls.
const int kDesktopGraceMs = 200;

// The instance handle the shell registers its classes with (the program's own value).
HINSTANCE const kPlatformInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x00400000));

const char* Env(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != 0) ? value : nullptr;
}

// An invisible program would hold the instance key and swallow every later start, so without a
// window the program says what it needs and ends before it takes anything. A display that is set
// but does not open adds the display library's reason.
[[noreturn]] void NoDisplay(const std::string& reason = std::string()) {
    std::string line = "no display: set DISPLAY or WAYLAND_DISPLAY, or MOVIMETRA_DISPLAY=headless";
    if (!reason.empty()) line += " (" + reason + ")";
    line += "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    std::_Exit(1);
}

MvDisplayKind ChooseDisplay(const MvPlatformOptions& options, bool hasScript) {
    if (!options.displayFromEnvironment) return options.display;
    if (const char* display = Env("MOVIMETRA_DISPLAY")) {
        if (std::strcmp(display, "sdl") == 0) return MvDisplayKind::Sdl;
        if (std::strcmp(display, "headless") == 0) return MvDisplayKind::Headless;
        std::fprintf(stderr, "movimetra: unknown MOVIMETRA_DISPLAY \"%s\" (sdl or headless)\n", display);
    }
    if (hasScript) return MvDisplayKind::Headless;
    if (Env("DISPLAY") || Env("WAYLAND_DISPLAY")) return MvDisplayKind::Sdl;
    NoDisplay();
}

}  // namespace

DisplayBackend* Display() {
    return g_display.get();
}

void SetDisplay(std::unique_ptr<DisplayBackend> display) {
    std::unique_ptr<DisplayBackend> old;
    {
        Lock lk(CoreState().mutex);
        old = std::move(g_display);
        g_display = std::move(display);
    }
    if (old) old->Shutdown();
}

void EnsureUiThread() {
    Core& g = CoreState();
    Lock lk(g.mutex);
    if (g.hasUiThread) return;
    g.hasUiThread = true;
    g.uiThread = std::this_thread::get_id();
    ForgetSelfRecLocked();
}

bool IsUiThreadLocked() {
    return CoreState().hasUiThread && CoreState().uiThread == std::this_thread::get_id();
}

}  // namespace mv

using namespace mv;

void MvPlatformInit(const MvPlatformOptions& options) {
    Core& g = CoreState();
    bool hasScript = !options.script.empty() || Env("MOVIMETRA_SCRIPT") != nullptr;
    const char* clockEnv = Env("MOVIMETRA_CLOCK");
    bool manual = options.manualClock || (clockEnv && std::strcmp(clockEnv, "manual") == 0) ||
                  (hasScript && !(clockEnv && std::strcmp(clockEnv, "real") == 0));
    int64_t start = options.manualStartLocalSeconds;
    if (start == 0) {
        if (const char* startEnv = Env("MOVIMETRA_CLOCK_START")) {
            if (!ParseLocalDateTime(startEnv, &start)) {
                std::fprintf(stderr, "movimetra: MOVIMETRA_CLOCK_START \"%s\" is not YYYY-MM-DD HH:MM:SS\n",
                             startEnv);
                start = 0;
            }
        }
    }
    if (start == 0) start = CurrentLocalSecondsForStart();
    {
        Lock lk(g.mutex);
        g.hasUiThread = true;
        g.uiThread = std::this_thread::get_id();
        ForgetSelfRecLocked();
        g.shuttingDown = false;
        g.initialized = true;
        g.modulePath = options.modulePath;
        g.manual.store(manual);
        g.manualMs.store(0);
        g.manualStartLocal = start;
        g.scriptWaitUntil = -1;
    }

    MvSessionBusPrepare();
    MvDisplayKind kind = ChooseDisplay(options, hasScript);
    std::unique_ptr<DisplayBackend> display;
    if (kind == MvDisplayKind::Sdl) {
        display = CreateSdlDisplay();
        if (!display->Init()) {
            if (options.displayFromEnvironment) NoDisplay(display->InitError());
            std::fprintf(stderr, "movimetra: the SDL display did not start; running headless\n");
            display.reset();
            kind = MvDisplayKind::Headless;
        }
    }
    if (!display) {
        display = CreateHeadlessDisplay();
        display->Init();
    }
    g_displayKind = kind;
    SetDisplay(std::move(display));
    // The program's own start (options from the environment) on the headless display: a stop
    // signal closes the main window. SDL does the same for its display.
    if (options.displayFromEnvironment && kind == MvDisplayKind::Headless) InstallCloseSignals();

    ScriptReset();
    ScriptLoadFromEnvironment(options.script);

    {
        Lock lk(g.mutex);
        g.registeringPlatformClasses = true;
    }
    MvShellInit(kPlatformInstance);
    {
        Lock lk(g.mutex);
        g.registeringPlatformClasses = false;
    }
}

void MvPlatformShutdown() {
    Core& g = CoreState();
    {
        Lock lk(g.mutex);
        g.shuttingDown = true;
        FailPendingSendsLocked();
        WakeAllBlockedLocked();
    }
    MvSensorShutdown();
    // What the desktop still has to hear (the inhibitor's release, a last notification) goes out
    // in a moment or not at all: the process end must not wait on a bus.
    MvDesktopShutdown(kDesktopGraceMs);
    MvBusServiceReset();
    MvDesktopBubblesReset();
    MvVibrationReset();
    MvSleepInhibitorReset();
    MvDisplayStateShutdown();
    MvSessionBusShutdown();
    InstanceServerStop();
    RemoveCloseSignals();
    SetDisplay(nullptr);
    ScriptReset();
    Lock lk(g.mutex);
    DropAllWindowsLocked();
    FailPendingSendsLocked();
    g.posted.clear();
    g.input.clear();
    g.quitPending = false;
    g.wakePending = false;
    g.raisePending = false;
    g.scriptWaitUntil = -1;
    g.observer.reset();
    g.modulePath.clear();
    g.hasUiThread = false;
    g.initialized = false;
    g.manual.store(false);
    g.manualMs.store(0);
    g.ctrlDown = false;
    g.shuttingDown = false;
    g.cv.notify_all();
}

MvDisplayKind MvGetDisplayKind() {
    return g_displayKind;
}
