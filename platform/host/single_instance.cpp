// FindWindowW and SetForegroundWindow across running instances of the program. The first
// process that creates a top-level window serves a per-user Unix socket (abstract namespace,
// named after the user and the executable's path, or MOVIMETRA_INSTANCE when set); other
// instances ask it "find <class> <title>" and "raise <window>".
// Abstract names are visible to every user, so both sides check the other's user id
// (SO_PEERCRED): a server of another user is never asked, a client of another user gets no
// answer. A name that another user holds is passed over for the next one ("NAME-1", ...).
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/core/core_state.h"
#include "platform/core/mv_internal.h"
#include "platform/win_module.h"
#include "platform/win_window.h"

namespace mv {

namespace {

struct InstanceState {
    std::mutex mutex;
    std::thread server;
    int listenFd = -1;
    int wakePipe[2] = {-1, -1};
    bool tried = false;
    std::string servedBase;         // BaseName() when this process serves
    std::vector<uintptr_t> remote;  // remote window values, by handle index
};

InstanceState& I() {
    static InstanceState* state = new InstanceState;
    return *state;
}

// Names tried after the first one when other users hold it.
const int kNameCount = 8;

std::string BaseName() {
    if (const char* id = std::getenv("MOVIMETRA_INSTANCE"); id != nullptr && *id != 0)
        return std::string("movimetra-") + id;
    wchar_t path[1024];
    DWORD n = GetModuleFileNameW(nullptr, path, 1024);
    std::string utf8 = WideToUtf8(std::wstring(path, n));
    uint64_t hash = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : utf8) hash = (hash ^ c) * 1099511628211ull;
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "movimetra-%u-%016llx", static_cast<unsigned>(getuid()),
                  static_cast<unsigned long long>(hash));
    return buffer;
}

std::string SocketName(int index) {
    std::string base = BaseName();
    return index == 0 ? base : base + "-" + std::to_string(index);
}

// True when the process at the other end of a connected socket runs as this user.
bool PeerIsOwnUser(int fd) {
    ucred cred{};
    socklen_t size = sizeof cred;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0 || size != sizeof cred) return false;
    return cred.uid == getuid();
}

socklen_t Address(const std::string& name, sockaddr_un* addr) {
    std::memset(addr, 0, sizeof *addr);
    addr->sun_family = AF_UNIX;
    size_t n = std::min(name.size(), sizeof addr->sun_path - 2);
    std::memcpy(addr->sun_path + 1, name.data(), n);  // leading NUL: abstract namespace
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
}

std::string Hex(const std::string& bytes) {
    static const char* kDigits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(kDigits[c >> 4]);
        out.push_back(kDigits[c & 15]);
    }
    return out;
}

bool Unhex(const std::string& hex, std::string* out) {
    if (hex.size() % 2) return false;
    out->clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        int v = 0;
        for (int k = 0; k < 2; ++k) {
            char c = hex[i + k];
            int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
            if (d < 0) return false;
            v = v * 16 + d;
        }
        out->push_back(static_cast<char>(v));
    }
    return true;
}

// A class or title on the wire: "-" for none, else hex of UTF-8.
std::string Field(LPCWSTR text) {
    return text == nullptr ? "-" : "x" + Hex(WideToUtf8(text));
}

bool ParseField(const std::string& field, bool* present, std::wstring* text) {
    if (field == "-") {
        *present = false;
        return true;
    }
    std::string bytes;
    if (field.empty() || field[0] != 'x' || !Unhex(field.substr(1), &bytes)) return false;
    *present = true;
    *text = Utf8ToWide(bytes);
    return true;
}

bool ReadLine(int fd, std::string* line) {
    line->clear();
    char c;
    while (line->size() < 4096) {
        ssize_t n = read(fd, &c, 1);
        if (n <= 0) return false;
        if (c == '\n') return true;
        line->push_back(c);
    }
    return false;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

HWND FindLocalLocked(const std::wstring* cls, const std::wstring* title) {
    auto& tops = CoreState().topLevels;
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        Window* w = WindowLocked(*it);
        if (w == nullptr || w->destroying) continue;
        if (cls != nullptr && w->cls->name != *cls) continue;
        if (title != nullptr && w->text != *title) continue;
        return w->handle;
    }
    return nullptr;
}

std::string Answer(const std::string& request) {
    size_t sp1 = request.find(' ');
    std::string verb = request.substr(0, sp1);
    if (verb == "find" && sp1 != std::string::npos) {
        size_t sp2 = request.find(' ', sp1 + 1);
        if (sp2 == std::string::npos) return "error\n";
        bool hasClass, hasTitle;
        std::wstring cls, title;
        if (!ParseField(request.substr(sp1 + 1, sp2 - sp1 - 1), &hasClass, &cls) ||
            !ParseField(request.substr(sp2 + 1), &hasTitle, &title))
            return "error\n";
        Lock lk(CoreState().mutex);
        HWND h = FindLocalLocked(hasClass ? &cls : nullptr, hasTitle ? &title : nullptr);
        if (h == nullptr) return "none\n";
        return "hwnd " + std::to_string(reinterpret_cast<uintptr_t>(h)) + "\n";
    }
    if (verb == "raise" && sp1 != std::string::npos) {
        uintptr_t value = std::strtoull(request.c_str() + sp1 + 1, nullptr, 10);
        Lock lk(CoreState().mutex);
        Window* w = WindowLocked(reinterpret_cast<HWND>(value));
        CoreState().raisePending = true;
        CoreState().raiseTarget = w ? w->handle : nullptr;
        WakeUiLocked();
        return "ok\n";
    }
    return "error\n";
}

void Serve(int listenFd, int wakeFd) {
    SetThreadDescription(GetCurrentThread(), L"instance");
    for (;;) {
        pollfd fds[2] = {{listenFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        if (!PeerIsOwnUser(fd)) {
            close(fd);
            continue;
        }
        timeval tv{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        std::string request;
        if (ReadLine(fd, &request)) WriteAll(fd, Answer(request));
        close(fd);
    }
}

// Connects to the socket of that name; -1 when nobody listens there. *own tells whether the
// listener runs as this user.
int Connect(const std::string& name, bool* own) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_un addr;
    socklen_t len = Address(name, &addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0) {
        close(fd);
        return -1;
    }
    *own = PeerIsOwnUser(fd);
    return fd;
}

// Sends one request to the serving instance of this user; empty when there is none.
std::string Ask(const std::string& request) {
    {
        std::lock_guard<std::mutex> lock(I().mutex);
        if (I().listenFd >= 0 && I().servedBase == BaseName())
            return std::string();  // we are the one serving
    }
    for (int i = 0; i < kNameCount; ++i) {
        bool own = false;
        int fd = Connect(SocketName(i), &own);
        if (fd < 0) continue;
        if (!own) {
            close(fd);
            continue;
        }
        std::string reply;
        timeval tv{2, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        if (WriteAll(fd, request + "\n")) ReadLine(fd, &reply);
        close(fd);
        return reply;
    }
    return std::string();
}

}  // namespace

void InstanceServerStart() {
    InstanceState& s = I();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.tried) return;
    s.tried = true;
    for (int i = 0; i < kNameCount; ++i) {
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return;
        sockaddr_un addr;
        socklen_t len = Address(SocketName(i), &addr);
        if (bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0) {
            close(fd);
            bool own = false;
            int peer = Connect(SocketName(i), &own);
            if (peer >= 0) close(peer);
            if (own) return;  // another instance of this user serves already
            continue;         // held by another user (or by nobody listening): the next name
        }
        if (listen(fd, 8) != 0 || pipe2(s.wakePipe, O_CLOEXEC) != 0) {
            close(fd);
            return;
        }
        s.listenFd = fd;
        s.servedBase = BaseName();
        s.server = std::thread(Serve, fd, s.wakePipe[0]);
        return;
    }
}

void InstanceServerStop() {
    InstanceState& s = I();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.server.joinable()) {
        char c = 'q';
        if (write(s.wakePipe[1], &c, 1) < 0) {
        }
        s.server.join();
    }
    if (s.listenFd >= 0) close(s.listenFd);
    for (int& p : s.wakePipe) {
        if (p >= 0) close(p);
        p = -1;
    }
    s.listenFd = -1;
    s.tried = false;
}

bool IsRemoteHandle(HWND hWnd) {
    uintptr_t v = reinterpret_cast<uintptr_t>(hWnd) & ~static_cast<uintptr_t>(1);
    std::lock_guard<std::mutex> lock(I().mutex);
    return v >= kRemoteHandleBase && v < kRemoteHandleBase + 4 * I().remote.size();
}

HWND FindRemoteWindow(LPCWSTR className, LPCWSTR windowName) {
    std::string reply = Ask("find " + Field(className) + " " + Field(windowName));
    if (reply.rfind("hwnd ", 0) != 0) return nullptr;
    uintptr_t value = std::strtoull(reply.c_str() + 5, nullptr, 10);
    if (value == 0) return nullptr;
    std::lock_guard<std::mutex> lock(I().mutex);
    I().remote.push_back(value);
    return reinterpret_cast<HWND>(kRemoteHandleBase + 4 * (I().remote.size() - 1));
}

bool RaiseRemoteWindow(HWND hWnd) {
    uintptr_t v = reinterpret_cast<uintptr_t>(hWnd) & ~static_cast<uintptr_t>(1);
    uintptr_t remote;
    {
        std::lock_guard<std::mutex> lock(I().mutex);
        size_t index = (v - kRemoteHandleBase) / 4;
        if (v < kRemoteHandleBase || index >= I().remote.size()) return false;
        remote = I().remote[index];
    }
    return Ask("raise " + std::to_string(remote)) == "ok";
}

void ApplyRaise() {
    HWND target;
    HWND main;
    {
        Lock lk(CoreState().mutex);
        target = WindowLocked(CoreState().raiseTarget) ? CoreState().raiseTarget : MainWindowLocked();
        CoreState().raiseTarget = nullptr;
        main = MainWindowLocked();
    }
    if (target != nullptr) BringWindowToTop(target);
    if (DisplayBackend* d = Display()) d->Raise();
    if (main != nullptr) SendMessageW(main, WM_ACTIVATE, WA_ACTIVE, 0);
}

}  // namespace mv

using namespace mv;

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
    if (className != nullptr && IS_INTRESOURCE(className)) return nullptr;  // class atoms are not kept
    {
        Lock lk(CoreState().mutex);
        std::wstring cls = className ? className : L"";
        std::wstring title = windowName ? windowName : L"";
        if (HWND h = FindLocalLocked(className ? &cls : nullptr, windowName ? &title : nullptr)) return h;
    }
    return FindRemoteWindow(className, windowName);
}

BOOL SetForegroundWindow(HWND hWnd) {
    hWnd = reinterpret_cast<HWND>(reinterpret_cast<uintptr_t>(hWnd) & ~static_cast<uintptr_t>(1));
    if (IsRemoteHandle(hWnd)) return RaiseRemoteWindow(hWnd) ? TRUE : FALSE;
    HWND top;
    {
        Lock lk(CoreState().mutex);
        top = TopLevelLocked(hWnd);
        if (top == nullptr) return FALSE;
        CoreState().foreground = top;
    }
    BringWindowToTop(top);
    if (MvIsUiThread()) {
        if (DisplayBackend* d = Display()) d->Raise();
    }
    return TRUE;
}
