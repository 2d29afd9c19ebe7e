// Writing to a child that stopped reading must give EPIPE, not end the editor: SIGPIPE is
// held on this thread while the object lives, and one raised meanwhile is taken back at
// the end (unless one was already pending before).
#pragma once

#include <pthread.h>
#include <signal.h>
#include <time.h>

class TSigPipeHold {
public:
    TSigPipeHold() {
        const sigset_t pipe = PipeSet();
        sigset_t pending;
        sigpending(&pending);
        wasPending_ = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe, &old_);
    }
    ~TSigPipeHold() {
        if (!wasPending_) {
            const sigset_t pipe = PipeSet();
            const timespec none{0, 0};
            while (sigtimedwait(&pipe, nullptr, &none) > 0) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    TSigPipeHold(const TSigPipeHold&) = delete;
    TSigPipeHold& operator=(const TSigPipeHold&) = delete;

private:
    static sigset_t PipeSet() {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        return pipe;
    }

    sigset_t old_{};
    bool wasPending_ = false;
};
