#include "audio/portaudio_setup.h"

#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

#include <cstdio>

namespace wavelore {

std::mutex& PortAudioLock() {
    static std::mutex lock;
    return lock;
}

bool InitialisePortAudioQuietly() {
    std::fflush(stderr);
    // Close-on-exec: a child started meanwhile must not inherit it.
    const int saved = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const bool redirected = saved >= 0 && null >= 0 && dup2(null, STDERR_FILENO) >= 0;
    const bool initialised = Pa_Initialize() == paNoError;
    if (redirected) {
        std::fflush(stderr);
        dup2(saved, STDERR_FILENO);
    }
    if (saved >= 0) {
        close(saved);
    }
    if (null >= 0) {
        close(null);
    }
    return initialised;
}

}  // namespace wavelore
