// A stand-in for another local user in the single-instance tests (run as that user):
//   foreign_instance serve NAME   binds the abstract socket NAME, prints "ready" and answers
//                                 every request as a running instance would ("hwnd 4096",
//                                 "ok") until standard input closes.
//   foreign_instance ask NAME...  sends "find - -" to each NAME and prints one line per name:
//                                 the answer, or "none" when no answer came.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

socklen_t Address(const char* name, sockaddr_un* addr) {
    std::memset(addr, 0, sizeof *addr);
    addr->sun_family = AF_UNIX;
    size_t n = std::strlen(name);
    if (n > sizeof addr->sun_path - 2) n = sizeof addr->sun_path - 2;
    std::memcpy(addr->sun_path + 1, name, n);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
}

std::string ReadLine(int fd) {
    std::string line;
    char c;
    while (line.size() < 4096) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 2000) <= 0 || read(fd, &c, 1) != 1 || c == '\n') break;
        line.push_back(c);
    }
    return line;
}

int Serve(const char* name) {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr;
    socklen_t len = Address(name, &addr);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 || listen(fd, 8) != 0) {
        std::perror("foreign_instance: bind");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {0, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents) return 0;  // the test has ended
        int client = accept(fd, nullptr, nullptr);
        if (client < 0) continue;
        std::string request = ReadLine(client);
        const char* answer = request.rfind("raise", 0) == 0 ? "ok\n" : "hwnd 4096\n";
        if (send(client, answer, std::strlen(answer), MSG_NOSIGNAL) < 0) {
        }
        close(client);
    }
}

int Ask(int count, char** names) {
    for (int i = 0; i < count; ++i) {
        int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr;
        socklen_t len = Address(names[i], &addr);
        std::string answer;
        if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0 &&
            send(fd, "find - -\n", 9, MSG_NOSIGNAL) == 9)
            answer = ReadLine(fd);
        if (fd >= 0) close(fd);
        std::printf("%s\n", answer.empty() ? "none" : answer.c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "serve") == 0) return Serve(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "ask") == 0) return Ask(argc - 2, argv + 2);
    std::fprintf(stderr, "usage: foreign_instance serve NAME | ask NAME...\n");
    return 2;
}
