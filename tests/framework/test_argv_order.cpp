// ArgvOrder keeps the pointers, never the strings.
#include <gtest/gtest.h>

#include "framework/ArgvOrder.h"

TEST(ArgvOrder, RestoresPointersAfterReordering)
{
    char a[] = "dss", b[] = "-G", c[] = "dir/";
    char* argv[] = {a, b, c};
    ArgvOrder order(3, argv);
    std::swap(argv[0], argv[2]);
    argv[1] = nullptr;
    order.Restore();
    EXPECT_EQ(argv[0], a);
    EXPECT_EQ(argv[1], b);
    EXPECT_EQ(argv[2], c);
}

TEST(ArgvOrder, SaveReplacesTheCopyAndEmptyVectorsAreHarmless)
{
    char a[] = "x", b[] = "y";
    char* argv[] = {a, b};
    ArgvOrder order(2, argv);
    std::swap(argv[0], argv[1]);
    order.Save(2, argv);
    std::swap(argv[0], argv[1]);
    order.Restore();
    EXPECT_EQ(argv[0], b);
    ArgvOrder none(0, argv);
    none.Restore();
    ArgvOrder negative(-3, nullptr);
    negative.Restore();
}
