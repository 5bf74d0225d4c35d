// A private Xvfb at 1024x768x24 for tests that need an X server. It picks a
// free display number itself and reports it through -displayfd, so tests
// running side by side never race for one; it dies with the test process.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

class PrivateXvfb {
public:
    ~PrivateXvfb() { Stop(); }

    // The display name (":N"), empty when no server could be started.
    std::string Start() {
        int numberPipe[2];
        if (pipe(numberPipe) != 0) return "";
        server_ = fork();
        if (server_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            close(numberPipe[0]);
            freopen("/dev/null", "w", stdout);
            freopen("/dev/null", "w", stderr);
            const std::string fd = std::to_string(numberPipe[1]);
            execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
                  "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(numberPipe[1]);
        std::string number;
        char c = 0;
        pollfd ready = {numberPipe[0], POLLIN, 0};
        while (poll(&ready, 1, 10000) > 0 && read(numberPipe[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(numberPipe[0]);
        if (number.empty()) Stop();
        return number.empty() ? "" : ":" + number;
    }

    void Stop() {
        if (server_ <= 0) return;
        kill(server_, SIGTERM);
        for (int attempt = 0; attempt < 150; ++attempt) {
            if (waitpid(server_, nullptr, WNOHANG) == server_) {
                server_ = -1;
                return;
            }
            usleep(20000);
        }
        kill(server_, SIGKILL);
        waitpid(server_, nullptr, 0);
        server_ = -1;
    }

private:
    pid_t server_ = -1;
};
