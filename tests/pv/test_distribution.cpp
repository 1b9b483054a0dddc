// Points of the three distributions, on sorted values with probabilities.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "pv/distribution.h"

using Points = std::vector<std::pair<double, double>>;

enum Kind { PDF, CDF, COMP };

static Points points(Kind kind, std::vector<double> X, std::vector<double> P)
{
    int N = (int)X.size();
    std::vector<double> x(N + 1), y(N + 1);
    int n = kind == PDF   ? pdf_points(N, P.data(), X.data(), x.data(), y.data())
            : kind == CDF ? cdf_points(N, P.data(), X.data(), x.data(), y.data())
                          : comp_cdf_points(N, P.data(), X.data(), x.data(), y.data());
    Points out;
    for (int k = 0; k < n; ++k) out.emplace_back(x[k], y[k]);
    return out;
}

TEST(Distribution, TwoStatesZeroAndTwo)
{
    EXPECT_EQ(points(PDF, {0, 2}, {0.5, 0.5}), (Points{{0, 0.5}, {2, 0.5}}));
    EXPECT_EQ(points(CDF, {0, 2}, {0.5, 0.5}), (Points{{0, 0.5}, {2, 1}}));
    EXPECT_EQ(points(COMP, {0, 2}, {0.5, 0.5}), (Points{{0, 0.5}, {2, 0}}));
}

TEST(Distribution, SingleGroupTakesTheWholeSum)
{
    std::vector<double> P = {0.25, 0.25, 0.375};  // sums to 0.875
    EXPECT_EQ(points(PDF, {3, 3, 3}, P), (Points{{3, 0.875}}));
    EXPECT_EQ(points(CDF, {3, 3, 3}, P), (Points{{3, 0.875}}));
    EXPECT_EQ(points(COMP, {3, 3, 3}, P), (Points{{3, 0.125}}));
    // the zero rule does not apply to the last group
    EXPECT_EQ(points(PDF, {0, 0, 0}, P), (Points{{0, 0.875}}));
}

TEST(Distribution, ZeroGroupOfPdfIsTheSumOfItsOwnStates)
{
    // the probabilities sum to 0.9: the zero group is 0.2 + 0.2, not 1 - 0.5
    Points got = points(PDF, {0, 0, 1}, {0.2, 0.2, 0.5});
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], (std::pair<double, double>{0, 0.2 + 0.2}));
    EXPECT_EQ(got[1], (std::pair<double, double>{1, 0.5}));
    // a rare zero value keeps its probability beside values carrying nearly all of 1
    got = points(PDF, {-0.0, 0, 1, 2}, {1e-20, 2e-20, 0.5, 0.5});
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].second, 1e-20 + 2e-20);
    // a negative zero is written as zero, also as the last value
    EXPECT_FALSE(std::signbit(got[0].first));
    EXPECT_FALSE(std::signbit(points(PDF, {-0.0, 1}, {0.5, 0.5})[0].first));
    EXPECT_FALSE(std::signbit(points(PDF, {-1, -0.0}, {0.5, 0.5})[1].first));
}

TEST(Distribution, NanDiffersFromEverythingAndKeepsItsOwnProbability)
{
    double nan = std::nan("");
    std::vector<double> P = {0.25, 0.25, 0.5};
    Points pdf = points(PDF, {0, nan, nan}, P);
    ASSERT_EQ(pdf.size(), 3u);
    EXPECT_EQ(pdf[0], (std::pair<double, double>{0, 0.25}));
    EXPECT_EQ(pdf[1].second, 0.25);
    EXPECT_EQ(pdf[2].second, 0.5);
    EXPECT_EQ(points(CDF, {1, nan, nan}, P).size(), 3u);
}

// Negative values must not count as "above zero" in P(X > x).
TEST(Distribution, ComplementWithNegativeValuesIsTheTrueTail)
{
    std::vector<double> X = {-1, 0, 1, 2}, P = {0.25, 0.25, 0.25, 0.25};
    Points got = points(COMP, X, P);
    Points want = {{-1, 0.75}, {0, 0.5}, {1, 0.25}, {2, 0}};
    ASSERT_EQ(got.size(), want.size());
    for (size_t k = 0; k < want.size(); ++k) {
        EXPECT_EQ(got[k].first, want[k].first);
        EXPECT_NEAR(got[k].second, want[k].second, 1e-15) << k;
    }
}

// The complement agrees with 1 - cdf wherever no zero group restarts the sum.
TEST(Distribution, ComplementMatchesOneMinusCdfForPositiveValues)
{
    std::vector<double> X = {0, 0, 1, 1, 4, 9}, P = {0.1, 0.2, 0.1, 0.3, 0.2, 0.1};
    Points cdf = points(CDF, X, P), comp = points(COMP, X, P);
    ASSERT_EQ(cdf.size(), 4u);
    ASSERT_EQ(comp.size(), 4u);
    for (size_t k = 0; k < cdf.size(); ++k) {
        EXPECT_EQ(cdf[k].first, comp[k].first);
        EXPECT_NEAR(comp[k].second, 1 - cdf[k].second, 1e-15) << k;
    }
}

TEST(Distribution, EmptyInputGivesNoPoints)
{
    EXPECT_TRUE(points(PDF, {}, {}).empty());
    EXPECT_TRUE(points(CDF, {}, {}).empty());
    EXPECT_TRUE(points(COMP, {}, {}).empty());
}

TEST(Distribution, OneLessASumJustAboveOneIsZeroNeverMinusZero)
{
    // the nonzero values carry 1 + 2.2e-16 after rounding: the zero group is 0, not -2.2e-16
    std::vector<double> X = {0, 1, 2}, P = {0.0, 0.5, 0.5000000000000002};
    Points pdf = points(PDF, X, P), comp = points(COMP, {1, 2}, {0.5, 0.5000000000000002});
    EXPECT_EQ(pdf[0].second, 0.0);
    EXPECT_FALSE(std::signbit(pdf[0].second));
    EXPECT_FALSE(std::signbit(comp.back().second));
    EXPECT_EQ(comp.back().second, 0.0);
}
