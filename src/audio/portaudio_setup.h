#pragma once

#include <mutex>

namespace wavelore {

// PortAudio's set-up and tear-down are process-wide and not thread-safe:
// every user of PortAudio in the process holds this lock around them.
std::mutex& PortAudioLock();

// Pa_Initialize with standard error pointed at /dev/null meanwhile: ALSA
// and JACK report every configuration they probe there, none of which
// concerns the user. Call it under PortAudioLock(), so that two users
// starting at once cannot leave standard error pointing at /dev/null.
// False when PortAudio cannot be initialised.
bool InitialisePortAudioQuietly();

}  // namespace wavelore
