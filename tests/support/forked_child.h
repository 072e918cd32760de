#pragma once

#include <csignal>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

// A second process forked to play another program on the same device. The child runs `body`,
// then waits to be ended; the parent ends and reaps it when it is stopped or goes out of scope.
class ForkedChild {
public:
    template <class Body> explicit ForkedChild(Body&& body) {
        pid_ = ::fork();
        if (pid_ == 0) {
            body();
            for (;;)
                ::pause();
        }
    }
    ~ForkedChild() { stop(); }
    ForkedChild(const ForkedChild&) = delete;
    ForkedChild& operator=(const ForkedChild&) = delete;

    pid_t pid() const { return pid_; }
    bool running() const { return pid_ > 0; }

    void stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};
