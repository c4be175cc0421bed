#pragma once
// The dictionary's sort. The order of elements with equal keys is part of the
// dictionary's bytes (which of two towns sharing a code is found first), so it has to
// come out exactly as this procedure gives it: a quicksort with the middle element as
// pivot that leaves ranges of up to eleven elements alone and keeps at most 32 pending
// ranges, then one insertion pass that moves each element in front of every element
// before it that compares equal or above.
//
// That insertion pass costs O(m^2) for m equal keys. Its result has a closed form: the
// elements ordered by key, equal keys in reverse of their position after the quicksort
// phase. SortLikeDictionary runs the quicksort phase as written and finishes with one
// stable sort of the reversed sequence, which gives the identical order in O(n log n).

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace nrt::postal {

inline constexpr std::size_t kSortStackRanges = 32;
inline constexpr std::ptrdiff_t kSortSmallRange = 10; // hi - lo at or below this is left alone

// `cmp(a, b)` answers <0, 0 or >0 and must be a consistent three-way order.
template <class T, class Cmp>
void QuickSortPhase(std::vector<T>& v, Cmp cmp, std::size_t stackRanges = kSortStackRanges)
{
    std::vector<std::pair<std::ptrdiff_t, std::ptrdiff_t>> pending;
    pending.reserve(stackRanges);
    std::ptrdiff_t lo = 0;
    std::ptrdiff_t hi = static_cast<std::ptrdiff_t>(v.size()) - 1;
    for (;;) {
        if (hi - lo <= kSortSmallRange) {
            if (pending.empty())
                return;
            // A popped range is partitioned whatever its size.
            lo = pending.back().first;
            hi = pending.back().second;
            pending.pop_back();
        }
        const T pivot = v[static_cast<std::size_t>((lo + hi) / 2)];
        std::ptrdiff_t i = lo;
        std::ptrdiff_t j = hi;
        for (;;) {
            // The bounds only matter for a comparison that is not an order.
            while (i < hi && cmp(v[static_cast<std::size_t>(i)], pivot) < 0)
                ++i;
            while (j > lo && cmp(v[static_cast<std::size_t>(j)], pivot) > 0)
                --j;
            if (i >= j)
                break;
            std::swap(v[static_cast<std::size_t>(i)], v[static_cast<std::size_t>(j)]);
            ++i;
            --j;
        }
        const std::ptrdiff_t leftLength = i - lo; // lo .. i - 1
        const std::ptrdiff_t rightLength = hi - j; // j + 1 .. hi
        if (leftLength > rightLength) {
            if (leftLength > kSortSmallRange) {
                pending.emplace_back(lo, i - 1);
                if (pending.size() >= stackRanges)
                    return;
            }
            lo = j + 1;
        } else {
            if (rightLength > kSortSmallRange) {
                pending.emplace_back(j + 1, hi);
                if (pending.size() >= stackRanges)
                    return;
            }
            hi = i - 1;
        }
    }
}

// The insertion pass exactly as the procedure states it. O(n^2); kept as the model the
// fast finish is checked against.
template <class T, class Cmp> void InsertionPass(std::vector<T>& v, Cmp cmp)
{
    for (std::size_t k = 1; k < v.size(); ++k) {
        const T x = v[k];
        for (std::size_t j = k; j > 0 && cmp(v[j - 1], x) >= 0; --j)
            std::swap(v[j - 1], v[j]);
    }
}

// The same result as InsertionPass in O(n log n).
template <class T, class Cmp> void FinishLikeInsertionPass(std::vector<T>& v, Cmp cmp)
{
    std::reverse(v.begin(), v.end());
    std::stable_sort(v.begin(), v.end(), [&cmp](const T& a, const T& b) { return cmp(a, b) < 0; });
}

template <class T, class Cmp> void SortLikeDictionary(std::vector<T>& v, Cmp cmp)
{
    QuickSortPhase(v, cmp);
    FinishLikeInsertionPass(v, cmp);
}

} // namespace nrt::postal
