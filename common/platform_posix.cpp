// The POSIX side of the platform layer, besides the files (file_io_posix.cpp).
#include "file_io.hpp"

#include <sys/mman.h>
#include <sys/stat.h>

namespace fit {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

// Whole huge pages, so that no tail falls back to small ones.
constexpr std::size_t mapped(std::size_t bytes) {
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

}  // namespace

bool same_file(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

void start_process(int&, char**&) {}

void* map_pages(std::size_t bytes) {
    void* p = ::mmap(nullptr, mapped(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    (void)::madvise(p, mapped(bytes), MADV_HUGEPAGE);  // a hint; without it, small pages
    return p;
}

void release_pages(void* pages, std::size_t bytes) noexcept { ::munmap(pages, mapped(bytes)); }

}  // namespace fit
