// Allocation that may fail without ending the program, in builds with and without
// exceptions (the WebAssembly module has none).
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>
#include <utility>

namespace fit {

// Runs `grow`, which allocates; false when memory ran out. Without exceptions there is
// no way back from that: the allocator's failure ends the run there, and the module's
// host reports it.
template <class Grow>
bool try_allocate(Grow&& grow) {
#if defined(__cpp_exceptions)
    try {
        std::forward<Grow>(grow)();
    } catch (const std::bad_alloc&) {
        return false;
    }
#else
    std::forward<Grow>(grow)();
#endif
    return true;
}

// What an allocator does when it has nothing to give.
[[noreturn]] inline void out_of_memory() {
#if defined(__cpp_exceptions)
    throw std::bad_alloc();
#else
    std::abort();
#endif
}

// Asks the system to map the whole pages under a buffer about to be filled in one
// call, rather than a fault at each page's first touch, which for a source or a
// picture of some hundred kilobytes can cost more than converting it. A hint only:
// nothing where the system has no such call, and reserved memory stays as it was.
// Defined with the platform's files.
void prepare_pages(void* data, std::size_t bytes);

}  // namespace fit
