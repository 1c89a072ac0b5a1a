#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace platform {

// A plain quicksort over a list: not stable, and safe with any comparator, even one that is not
// a strict weak ordering (std::sort is not): every scan is bounded by the range, so whatever
// compare returns, no element is read outside the list, none is lost, and the sort ends.
// compare(a, b) returns <0, 0 or >0 on the list's elements.
template <typename T, typename Compare> void QuickSort(std::vector<T>& list, Compare compare) {
    if (list.size() < 2)
        return;
    std::vector<std::pair<std::size_t, std::size_t>> pending{{0, list.size() - 1}};
    while (!pending.empty()) {
        auto [lo, hi] = pending.back();
        pending.pop_back();
        while (lo < hi) {
            // The middle element is the pivot, parked at lo where no swap of the scans
            // touches it. Both scans stop on elements equal to the pivot, so runs of equal
            // elements split evenly instead of degrading to quadratic time.
            std::swap(list[lo + (hi - lo) / 2], list[lo]);
            T& pivot = list[lo];
            std::size_t i = lo;
            std::size_t j = hi + 1;
            for (;;) {
                do
                    ++i;
                while (i < hi && compare(list[i], pivot) < 0);
                do
                    --j;
                while (j > lo && compare(list[j], pivot) > 0);
                if (i >= j)
                    break;
                std::swap(list[i], list[j]);
            }
            std::swap(list[lo], list[j]);
            // The smaller side is sorted next and the larger one waits, which bounds the
            // pending list by the logarithm of the size.
            if (j - lo < hi - j) {
                if (j + 1 < hi)
                    pending.emplace_back(j + 1, hi);
                if (j == lo)
                    break;
                hi = j - 1;
            } else {
                if (j > lo + 1)
                    pending.emplace_back(lo, j - 1);
                lo = j + 1;
            }
        }
    }
}

} // namespace platform
