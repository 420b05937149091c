#pragma once

#include <functional>
#include <thread>

namespace wavelore {

// Runs body on a new thread held in `thread`; false when the system cannot
// create one (std::thread reports that by throwing; the exception stops here).
// `thread` must not hold a running thread.
bool StartThread(std::thread& thread, std::function<void()> body);

// How a class starts its thread: StartThread in the program, one that
// refuses in tests of the failure path.
using ThreadStarter = bool (*)(std::thread& thread, std::function<void()> body);

}  // namespace wavelore
