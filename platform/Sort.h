#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace platform {

// A plain quicksort over a list, as the class library's list sort: not stable, and safe with
// any comparator, even one that is not a strict weak ordering (std::sort is not).
// compare(a, b) returns <0, 0 or >0 on the list's elements.
template <typename T, typename Compare>
void QuickSort(std::vector<T>& list, Compare compare) {
    if (list.size() < 2)
        return;
    std::vector<std::pair<std::ptrdiff_t, std::ptrdiff_t>> pending{
        {0, static_cast<std::ptrdiff_t>(list.size()) - 1}};
    while (!pending.empty()) {
        auto [lo, hi] = pending.back();
        pending.pop_back();
        while (lo < hi) {
            std::ptrdiff_t i = lo;
            std::ptrdiff_t j = hi;
            const std::ptrdiff_t pivotIndex = lo + (hi - lo) / 2;
            // Keep the pivot at a known place so comparisons never read a moved element.
            std::swap(list[pivotIndex], list[hi]);
            for (std::ptrdiff_t k = lo; k < hi; ++k) {
                if (compare(list[k], list[hi]) < 0) {
                    std::swap(list[k], list[i]);
                    ++i;
                }
            }
            std::swap(list[i], list[hi]);
            j = i;
            // Recurse into the smaller side first to bound the pending stack.
            if (j - lo < hi - j) {
                pending.emplace_back(j + 1, hi);
                hi = j - 1;
            } else {
                pending.emplace_back(lo, j - 1);
                lo = j + 1;
            }
        }
    }
}

} // namespace platform
