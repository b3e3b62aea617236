// Runs the foreign_instance helper as the user "nobody" (runuser; the tests that use it need
// root and skip otherwise) with pipes to its standard input and output.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

class CForeignUser {
public:
    ~CForeignUser() { Stop(); }

    // Why the helper cannot run here, or empty when it can.
    static std::string Unavailable() {
        if (geteuid() != 0) return "needs root to run a process as the user nobody";
        if (access("/usr/sbin/runuser", X_OK) != 0 && access("/sbin/runuser", X_OK) != 0)
            return "runuser is not installed";
        std::string probe = std::string("runuser -u nobody -- test -x '") + MV_FOREIGN_INSTANCE_BINARY + "'";
        if (std::system(probe.c_str()) != 0)
            return std::string("the user nobody cannot run ") + MV_FOREIGN_INSTANCE_BINARY;
        return "";
    }

    bool Start(const std::vector<std::string>& args) {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return false;
        m_pid = fork();
        if (m_pid < 0) return false;
        if (m_pid == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[1]);
            close(out[0]);
            std::vector<const char*> argv = {"runuser", "-u", "nobody", "--", MV_FOREIGN_INSTANCE_BINARY};
            for (const std::string& a : args) argv.push_back(a.c_str());
            argv.push_back(nullptr);
            execvp("runuser", const_cast<char* const*>(argv.data()));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        m_in = in[1];
        m_out = out[0];
        return true;
    }

    // One line of the helper's output, waiting at most `ms`; empty when none came.
    std::string ReadLine(int ms) {
        std::string line;
        char c;
        while (true) {
            pollfd p{m_out, POLLIN, 0};
            if (poll(&p, 1, ms) <= 0) return line;
            if (read(m_out, &c, 1) != 1 || c == '\n') return line;
            line.push_back(c);
        }
    }

    // Closes the helper's input (a server then ends) and waits for it.
    void Stop() {
        if (m_in >= 0) close(m_in);
        m_in = -1;
        if (m_pid > 0) {
            int status = 0;
            for (int i = 0; i < 500 && waitpid(m_pid, &status, WNOHANG) == 0; ++i) usleep(10000);
            if (waitpid(m_pid, &status, WNOHANG) == 0) {
                kill(m_pid, SIGKILL);
                waitpid(m_pid, &status, 0);
            }
        }
        m_pid = -1;
        if (m_out >= 0) close(m_out);
        m_out = -1;
    }

private:
    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
};
