// A private 1024x768 Xvfb on a free display it picks itself (-displayfd), dying with the test.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <string>

class PrivateXvfb {
public:
    // The display name (":N"); empty when no server answered within 10 s.
    std::string Start() {
        int number[2];
        if (pipe(number) != 0) return "";
        if (fork() == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            dup2(open("/dev/null", O_WRONLY), STDERR_FILENO);  // its warnings are noise here
            execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", std::to_string(number[1]).c_str(),
                  "-screen", "0", "1024x768x24", "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(number[1]);
        std::string name = ":";
        pollfd ready = {number[0], POLLIN, 0};
        for (char c = 0; poll(&ready, 1, 10000) > 0 && read(number[0], &c, 1) == 1 && c != '\n';)
            name += c;
        close(number[0]);
        return name.size() > 1 ? name : "";
    }
};
