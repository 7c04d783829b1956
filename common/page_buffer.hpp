// The allocator of the large work buffers. A listing of the largest source fills
// almost 3 MB: in pages of 4 KiB that is some 700 page faults, which cost more than
// the whole conversion, so large buffers come from map_pages, in huge pages where
// the system has them. Elements are default-initialised: the mapping is zero already
// and a converter writes every byte of its target, so a resize need not touch every
// page once more before the converter does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "allocation.hpp"
#include "file_io.hpp"

namespace fit {

template <typename T>
class PageAllocator {
public:
    using value_type = T;

    PageAllocator() = default;
    template <typename U>
    PageAllocator(const PageAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > max_size()) out_of_memory();
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kLarge) return std::allocator<T>().allocate(n);
        void* p = map_pages(bytes);
        if (p == nullptr) out_of_memory();
        return static_cast<T*>(p);
    }

    void deallocate(T* p, std::size_t n) noexcept {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kLarge)
            std::allocator<T>().deallocate(p, n);
        else
            release_pages(p, bytes);
    }

    template <typename U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    [[nodiscard]] static constexpr std::size_t max_size() noexcept {
        return static_cast<std::size_t>(-1) / 2 / sizeof(T);
    }

    template <typename U>
    bool operator==(const PageAllocator<U>&) const noexcept { return true; }

private:
    static constexpr std::size_t kLarge = std::size_t{512} << 10;
};

// A work buffer: a byte vector whose resize leaves new bytes as the mapping gave them.
using Buffer = std::vector<std::uint8_t, PageAllocator<std::uint8_t>>;

}  // namespace fit
