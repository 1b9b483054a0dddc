// Heapsort with companion: order, pairing and the trivial sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "pv/dsort.h"

TEST(Dsort, TrivialSizesLeaveArraysAlone)
{
    dsort(0, nullptr, nullptr);
    double k[] = {7.0}, c[] = {0.3};
    dsort(1, k, c);
    EXPECT_EQ(k[0], 7.0);
    EXPECT_EQ(c[0], 0.3);
}

TEST(Dsort, CompanionsFollowTheirKeys)
{
    double k[] = {3, 1, 2}, c[] = {10, 20, 30};  // a, b, c
    dsort(3, k, c);
    EXPECT_EQ(std::vector<double>(k, k + 3), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(std::vector<double>(c, c + 3), (std::vector<double>{20, 30, 10}));
}

TEST(Dsort, AgreesWithStableReferenceOnRandomArraysWithTies)
{
    std::mt19937 rng(7);
    for (int n : {2, 3, 5, 16, 17, 100, 257}) {
        std::vector<double> keys(n), comp(n);
        for (int i = 0; i < n; ++i) {
            keys[i] = (double)(rng() % 9) - 4.0;  // many ties, negatives
            comp[i] = i;
        }
        std::vector<std::pair<double, double>> want;
        for (int i = 0; i < n; ++i) want.emplace_back(keys[i], comp[i]);
        dsort(n, keys.data(), comp.data());
        ASSERT_TRUE(std::is_sorted(keys.begin(), keys.end())) << n;
        std::vector<std::pair<double, double>> got;
        for (int i = 0; i < n; ++i) got.emplace_back(keys[i], comp[i]);
        std::sort(got.begin(), got.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want) << n;  // same multiset of (key, companion) pairs
    }
}
