// Finishing a video when the run is interrupted. An AVI file plays only once
// its index and header sizes are written at the end, so a video killed by
// Ctrl+C or SIGTERM would otherwise be lost whole, however many frames it
// holds.
//
// The file cannot be finished inside a signal handler: the muxer allocates
// and frees, and a signal that lands while the interpreter is inside malloc
// would deadlock on the allocator's lock. A flag checked at safe points would
// need every loop of the interpreter to look at it, and a long computation
// between two frames would still ignore the user. So the two signals are
// blocked in the run's thread and taken by a thread of our own with sigwait:
// there the finishing code runs as ordinary code, after taking the video lock
// so it never meets a frame half written. Then the process ends by the signal
// itself, and the shell sees the usual status (130, 143).

#include "video/VideoParts.h"

#include <initializer_list>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

namespace vorlan::output::video {
namespace {

void (*gFinish)() = nullptr;
sigset_t gWatched;

void* Watch(void*) {
    int signal = 0;
    while (sigwait(&gWatched, &signal) != 0) {
    }
    gFinish();
    struct sigaction original{};
    original.sa_handler = SIG_DFL;
    sigemptyset(&original.sa_mask);
    sigaction(signal, &original, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    _exit(128 + signal);  // only if the signal did not end the process
}

}  // namespace

bool WatchInterrupts(void (*finish)()) {
    static bool watching = false;
    if (watching) return true;
    sigemptyset(&gWatched);
    for (const int signal : {SIGINT, SIGTERM}) {
        // A run started in the background with SIGINT ignored keeps ignoring it.
        struct sigaction current{};
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) sigaddset(&gWatched, signal);
    }
    if (!sigismember(&gWatched, SIGINT) && !sigismember(&gWatched, SIGTERM)) {
        watching = true;  // nothing to watch: both signals are ignored anyway
        return true;
    }
    gFinish = finish;
    sigset_t previous;
    if (pthread_sigmask(SIG_BLOCK, &gWatched, &previous) != 0) return false;
    pthread_t thread;
    if (pthread_create(&thread, nullptr, &Watch, nullptr) != 0) {
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return false;
    }
    pthread_detach(thread);
    watching = true;
    return true;
}

}  // namespace vorlan::output::video
