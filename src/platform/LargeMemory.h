#pragma once
// Memory for buffers of a megabyte and more that are filled at once (a file read whole,
// the cells cut from it, the records an import adds). Such memory is asked of the
// system directly, in large pages where the system has them: touching fresh memory one
// small page at a time costs more than the work done on it, most of all in a virtual
// machine. Smaller buffers, or where that fails, come from new[] as usual.

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>

namespace nrt::platform {

// Mapped memory of at least `bytes` bytes (its size in `mapped`), or nullptr when the
// size is below a megabyte or the system gives none.
void* MapLarge(std::size_t bytes, std::size_t& mapped) noexcept;
void UnmapLarge(void* memory, std::size_t mapped) noexcept;

// Frees what AllocateLarge gave, or memory from new[] handed over by other code.
template <class T> class LargeDelete {
public:
    LargeDelete() = default;
    LargeDelete(std::default_delete<T[]>) noexcept { }
    explicit LargeDelete(std::size_t mapped) noexcept
        : mapped_(mapped)
    {
    }
    void operator()(T* memory) const noexcept
    {
        if (mapped_)
            UnmapLarge(memory, mapped_);
        else
            delete[] memory;
    }

private:
    std::size_t mapped_ = 0; // 0: from new[]
};

template <class T> using LargeArray = std::unique_ptr<T[], LargeDelete<T>>;

// Room for at least `count` elements (uninitialised); `capacity` gets how many the memory
// holds, which may be more. nullptr when memory ran out.
template <class T> LargeArray<T> AllocateLarge(std::size_t count, std::size_t& capacity) noexcept
{
    static_assert(std::is_trivial_v<T>);
    capacity = 0;
    if (count > static_cast<std::size_t>(-1) / sizeof(T))
        return nullptr;
    std::size_t mapped = 0;
    if (void* memory = MapLarge(count * sizeof(T), mapped)) {
        capacity = mapped / sizeof(T);
        return LargeArray<T>(static_cast<T*>(memory), LargeDelete<T>(mapped));
    }
    LargeArray<T> memory(new (std::nothrow) T[count]);
    if (memory)
        capacity = count;
    return memory;
}

} // namespace nrt::platform
