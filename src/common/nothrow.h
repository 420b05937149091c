#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

namespace wavelore {

// Allocation that may fail without an exception: a null pointer says the
// memory could not be had, and the caller takes its documented way out.

// A new T from args, or null.
template <typename T, typename... Args>
std::unique_ptr<T> MakeOrNull(Args&&... args) {
    return std::unique_ptr<T>(new (std::nothrow) T(std::forward<Args>(args)...));
}

// count value-initialised (zeroed) Ts, or null. At least one element is
// made, so that a count of 0 still says whether memory was there.
template <typename T>
std::unique_ptr<T[]> NewArray(size_t count) {
    return std::unique_ptr<T[]>(new (std::nothrow) T[count > 0 ? count : 1]());
}

// Runs f, which allocates through a standard container or string: they
// say a shortage of memory by throwing, and this says false instead (the
// container is then as the failed call leaves it, unchanged for the calls
// this is used with).
template <typename F>
bool WithoutThrowing(F&& f) noexcept {
    try {
        f();
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace wavelore
