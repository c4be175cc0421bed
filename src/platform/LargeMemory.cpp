#include "platform/LargeMemory.h"

#include <cstdint>
#include <sys/mman.h>

namespace nrt::platform {
namespace {

constexpr std::size_t kLargeFrom = std::size_t(1) << 20;
// The large page of x86-64 and of most other 64-bit processors.
constexpr std::size_t kLargePage = std::size_t(2) << 20;
// The address sanitizer watches what new[] gives, not mapped memory: its build keeps
// every buffer there so that an overrun of a large one is caught too.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

} // namespace

void* MapLarge(std::size_t bytes, std::size_t& mapped) noexcept
{
    mapped = 0;
    if (bytes < kLargeFrom || bytes > static_cast<std::size_t>(-1) / 2 || kSanitized)
        return nullptr;
    // Whole large pages (the last one's rest stays usable room), placed on a large
    // page's boundary: more is mapped than needed and the ends are given back.
    const std::size_t size = (bytes + kLargePage - 1) / kLargePage * kLargePage;
    void* raw = ::mmap(nullptr, size + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kLargePage - 1) / kLargePage * kLargePage;
    if (aligned > start)
        ::munmap(raw, aligned - start);
    if (const std::size_t tail = start + size + kLargePage - (aligned + size); tail > 0)
        ::munmap(reinterpret_cast<void*>(aligned + size), tail);
    void* memory = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    // A system without large pages (or with them turned off) maps small ones.
    static_cast<void>(::madvise(memory, size, MADV_HUGEPAGE));
#endif
    mapped = size;
    return memory;
}

void UnmapLarge(void* memory, std::size_t mapped) noexcept
{
    if (memory)
        ::munmap(memory, mapped);
}

} // namespace nrt::platform
