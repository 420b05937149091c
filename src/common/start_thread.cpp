#include "common/start_thread.h"

#include <exception>

namespace wavelore {

bool StartThread(std::thread& thread, std::function<void()> body) {
    try {
        thread = std::thread(std::move(body));
    } catch (const std::exception&) {  // std::system_error, or std::bad_alloc for its state
        return false;
    }
    return true;
}

}  // namespace wavelore
