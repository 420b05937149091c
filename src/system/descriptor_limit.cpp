#include "system/descriptor_limit.h"

#include <sys/resource.h>

namespace wavelore {

uint64_t RaiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return 0;
    }
    // Not without bound: an unlimited hard limit is refused by the system,
    // and commands started later inherit the soft one.
    const rlim_t wanted = limit.rlim_max == RLIM_INFINITY || limit.rlim_max > kWantedDescriptors
                              ? static_cast<rlim_t>(kWantedDescriptors)
                              : limit.rlim_max;
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
        rlimit raised = limit;
        raised.rlim_cur = wanted;
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0) {
            limit = raised;
        }
    }
    return limit.rlim_cur == RLIM_INFINITY ? UINT64_MAX : static_cast<uint64_t>(limit.rlim_cur);
}

}  // namespace wavelore
