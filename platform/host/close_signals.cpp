// SIGINT and SIGTERM close the program's main window in headless runs, as closing the SDL
// window does, so that a stopped run still saves its data. A second signal ends the process
// at once.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <thread>

#include "platform/core/core_state.h"

namespace mv {

namespace {

int g_signalPipe[2] = {-1, -1};
bool g_installed = false;

void OnCloseSignal(int sig) {
    signal(sig, SIG_DFL);
    char c = 1;
    if (write(g_signalPipe[1], &c, 1) < 0) {
    }
}

void WatchSignals(int fd) {
    SetThreadDescription(GetCurrentThread(), L"signals");
    char c;
    while (read(fd, &c, 1) == 1) {
        InputEvent close;
        close.kind = InputKind::Close;
        Lock lk(CoreState().mutex);
        if (CoreState().hasUiThread) EnqueueInputLocked(close);
    }
}

}  // namespace

void InstallCloseSignals() {
    if (!g_installed) {
        if (pipe2(g_signalPipe, O_CLOEXEC) != 0) return;
        std::thread(WatchSignals, g_signalPipe[0]).detach();
        g_installed = true;
    }
    struct sigaction action {};
    action.sa_handler = OnCloseSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void RemoveCloseSignals() {
    if (!g_installed) return;
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
}

}  // namespace mv
