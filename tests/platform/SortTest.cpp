#include "platform/Sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <vector>

using platform::QuickSort;

namespace {

int Compare(int a, int b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

} // namespace

TEST(QuickSort, MatchesStdSortOnRandomInts) {
    std::mt19937 rng(12345);
    for (int size : {0, 1, 2, 3, 5, 8, 17, 64, 100, 257, 1000, 20000}) {
        for (int range : {3, 1000, 1 << 30}) {
            std::vector<int> list(static_cast<std::size_t>(size));
            std::uniform_int_distribution<int> dist(-range, range);
            for (int& x : list)
                x = dist(rng);
            std::vector<int> expected = list;
            std::sort(expected.begin(), expected.end());
            QuickSort(list, Compare);
            ASSERT_EQ(list, expected) << "size " << size << " range " << range;
        }
    }
}

// Counting comparisons tells a quadratic partition from a balanced one without timing.
TEST(QuickSort, EqualSortedAndReversedInputsStayNLogN) {
    const std::size_t n = 50000;
    const double bound = 4.0 * static_cast<double>(n) * std::log2(static_cast<double>(n));
    auto sortCounting = [&](std::vector<int> list) {
        long count = 0;
        QuickSort(list, [&](int a, int b) {
            ++count;
            return Compare(a, b);
        });
        EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
        return static_cast<double>(count);
    };
    std::vector<int> equal(n, 7);
    std::vector<int> sorted(n);
    for (std::size_t i = 0; i < n; ++i)
        sorted[i] = static_cast<int>(i);
    std::vector<int> reversed(sorted.rbegin(), sorted.rend());
    std::vector<int> fewValues(n);
    for (std::size_t i = 0; i < n; ++i)
        fewValues[i] = static_cast<int>(i % 3);
    EXPECT_LT(sortCounting(equal), bound);
    EXPECT_LT(sortCounting(sorted), bound);
    EXPECT_LT(sortCounting(reversed), bound);
    EXPECT_LT(sortCounting(fewValues), bound);
}

// Comparators that are no ordering at all must neither read outside the list nor lose or
// duplicate an element.
TEST(QuickSort, SurvivesComparatorsThatAreNoOrdering) {
    std::mt19937 rng(777);
    const std::size_t n = 3000;
    std::vector<int> original(n);
    for (std::size_t i = 0; i < n; ++i)
        original[i] = static_cast<int>(i * 7919 % 4001);
    std::vector<int> expected = original;
    std::sort(expected.begin(), expected.end());

    std::vector<int> list;
    auto inRange = [&](const int& x) {
        return &x >= list.data() && &x < list.data() + list.size();
    };
    std::uniform_int_distribution<int> coin(-1, 1);
    const std::vector<std::function<int(int, int)>> comparators = {
        [&](int, int) { return coin(rng); },
        [](int, int) { return -1; },
        [](int, int) { return 1; },
        [](int a, int b) { return ((a ^ b) & 1) ? -1 : 1; }, // not antisymmetric
        [](int a, int) { return a % 3 - 1; },
    };
    for (const auto& comparator : comparators) {
        list = original;
        bool outside = false;
        QuickSort(list, [&](const int& a, const int& b) {
            if (!inRange(a) || !inRange(b))
                outside = true;
            return comparator(a, b);
        });
        EXPECT_FALSE(outside);
        std::vector<int> sorted = list;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, expected);
    }
}

TEST(QuickSort, SortsOwnedRecords) {
    struct Record {
        int key;
    };
    std::vector<std::unique_ptr<Record>> list;
    for (int k : {5, 3, 9, 1, 3, 7})
        list.push_back(std::make_unique<Record>(Record{k}));
    QuickSort(list, [](const std::unique_ptr<Record>& a, const std::unique_ptr<Record>& b) {
        return Compare(a->key, b->key);
    });
    std::vector<int> keys;
    for (const auto& r : list)
        keys.push_back(r->key);
    EXPECT_EQ(keys, (std::vector<int>{1, 3, 3, 5, 7, 9}));
}
