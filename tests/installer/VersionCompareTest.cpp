#include "installer/VersionCompare.h"

#include <gtest/gtest.h>

namespace kinetra::installer {
namespace {

constexpr int kGreater = 1;
constexpr int kSmaller = 2;
constexpr int kEqual = 0;
constexpr int kNotComparable = -1;

TEST(CompareVersionsTest, EitherEmptyIsNotComparable)
{
    EXPECT_EQ(CompareVersions("", "1.0"), kNotComparable);
    EXPECT_EQ(CompareVersions("1.0", ""), kNotComparable);
    EXPECT_EQ(CompareVersions("", ""), kNotComparable);
}

TEST(CompareVersionsTest, EqualStringsAreEqual)
{
    EXPECT_EQ(CompareVersions("1.2.3.4", "1.2.3.4"), kEqual);
    EXPECT_EQ(CompareVersions("7", "7"), kEqual);
    EXPECT_EQ(CompareVersions("0.1.0", "0.1.0"), kEqual);
}

TEST(CompareVersionsTest, FirstDifferingNumberDecides)
{
    EXPECT_EQ(CompareVersions("2.0", "1.9"), kGreater);
    EXPECT_EQ(CompareVersions("1.9", "2.0"), kSmaller);
    EXPECT_EQ(CompareVersions("1.2.3.4", "1.2.3.5"), kSmaller);
    EXPECT_EQ(CompareVersions("1.2.4.0", "1.2.3.9"), kGreater);
    // Decided in the first pass, whatever follows.
    EXPECT_EQ(CompareVersions("3.0.0.0", "2.99.99.99"), kGreater);
}

TEST(CompareVersionsTest, NumbersCompareAsNumbersNotText)
{
    EXPECT_EQ(CompareVersions("1.10", "1.9"), kGreater);
    EXPECT_EQ(CompareVersions("1.9", "1.10"), kSmaller);
    EXPECT_EQ(CompareVersions("12.0", "112.0"), kSmaller);
    EXPECT_EQ(CompareVersions("1.007", "1.7"), kEqual);
    EXPECT_EQ(CompareVersions("2024.1.15.300", "2024.1.15.299"), kGreater);
}

TEST(CompareVersionsTest, ShortStringKeepsUsingItsLastNumber)
{
    // Third pass: the 2 left in "1.2" meets the third number, 0.
    EXPECT_EQ(CompareVersions("1.2", "1.2.0.0"), kGreater);
    EXPECT_EQ(CompareVersions("1.2.0.0", "1.2"), kSmaller);
    EXPECT_EQ(CompareVersions("1.2", "1.2.2.2"), kEqual);
    EXPECT_EQ(CompareVersions("1.2", "1.2.2.3"), kSmaller);
    EXPECT_EQ(CompareVersions("5", "5.5.5.5"), kEqual);
    EXPECT_EQ(CompareVersions("5", "5.5.5.6"), kSmaller);
}

TEST(CompareVersionsTest, OnlyFourNumbersAreCompared)
{
    EXPECT_EQ(CompareVersions("1.2.3.4.5", "1.2.3.4.9"), kEqual);
    EXPECT_EQ(CompareVersions("1.2.3.4.9", "1.2.3.4"), kEqual);
    EXPECT_EQ(CompareVersions("1.2.3.4.5", "1.2.3.5.0"), kSmaller);
}

TEST(CompareVersionsTest, PartsWithoutDigitsCountAsZero)
{
    // Read as atoi reads: digits up to the first other character.
    EXPECT_EQ(CompareVersions("1.x", "1.0"), kEqual);
    EXPECT_EQ(CompareVersions("1.2beta", "1.2"), kEqual);
    EXPECT_EQ(CompareVersions("1..3", "1.0.3"), kEqual);
    EXPECT_EQ(CompareVersions("1.2.", "1.2.0.0"), kEqual);
    EXPECT_EQ(CompareVersions("abc", "0"), kEqual);
    EXPECT_EQ(CompareVersions("1, 0, 0, 2", "1"), kEqual);
}

TEST(CompareVersionsTest, HugeNumbersSaturateInsteadOfOverflowing)
{
    const std::string huge = "99999999999999999999999999";
    EXPECT_EQ(CompareVersions(huge, "1"), kGreater);
    EXPECT_EQ(CompareVersions("1", huge), kSmaller);
    EXPECT_EQ(CompareVersions(huge + ".1", huge + ".2"), kSmaller);
    EXPECT_EQ(CompareVersions("18446744073709551615", "18446744073709551614"), kGreater);
}

} // namespace
} // namespace kinetra::installer
