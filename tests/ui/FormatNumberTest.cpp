// FormatNumberTest.cpp: grouping and padding of the numbers in the list and the status bar.
#include <gtest/gtest.h>
#include <algorithm>
#include <climits>
#include <vector>
#include "ui/FormatNumber.h"

TEST(FormatNumber, GroupsDigitsInThreesWithFullStops)
{
    EXPECT_EQ("0", FormatNumber(0, false));
    EXPECT_EQ("999", FormatNumber(999, false));
    EXPECT_EQ("1.000", FormatNumber(1000, false));
    EXPECT_EQ("65.536", FormatNumber(65536, false));
    EXPECT_EQ("100.000", FormatNumber(100000, false));
    EXPECT_EQ("2.147.483.647", FormatNumber(INT_MAX, false));
    // Negative values never occur in an archive; the sign stays in front of the groups.
    EXPECT_EQ("-100", FormatNumber(-100, false));
    EXPECT_EQ("-1.000", FormatNumber(-1000, false));
    EXPECT_EQ("-2.147.483.648", FormatNumber(INT_MIN, false));
}

TEST(FormatNumber, PaddingDoublesTheSpacesUpToTwelveCharacters)
{
    EXPECT_EQ(std::string(22, ' ') + "0", FormatNumber(0, true));
    EXPECT_EQ(std::string(14, ' ') + "2.048", FormatNumber(2048, true));
    EXPECT_EQ(std::string(12, ' ') + "65.536", FormatNumber(65536, true));
    EXPECT_EQ("2.147.483.647", FormatNumber(INT_MAX, true));
}

TEST(FormatNumber, PaddedTextsSortInNumericOrder)
{
    std::vector<int32_t> values = { 1000, 9, 0, 10, 2048, 65536, 999999, 1000000, INT_MAX, 1 };
    std::vector<std::string> texts;
    for (int32_t n : values)
        texts.push_back(FormatNumber(n, true));
    std::sort(texts.begin(), texts.end());
    std::sort(values.begin(), values.end());
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(FormatNumber(values[i], true), texts[i]);
}
