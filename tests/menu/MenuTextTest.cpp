// MenuTextTest.cpp: accelerator-column padding and mnemonic rules.
#include <gtest/gtest.h>
#include "menu/MenuText.h"

namespace
{
/// Every character 7 pixels wide, a space 3.
bool FixedWidth(const std::string& str, int& cx)
{
    cx = 0;
    for (char ch : str)
        cx += ch == ' ' ? 3 : 7;
    return true;
}
}

TEST(MenuText, LabelsWithATabArePaddedToTheWidestLabelPlusASpace)
{
    std::vector<std::string> arr = { "&New\tCtrl+N", "Save &As...", "&Open...\tCtrl+O" };
    PadAcceleratorTexts(arr, FixedWidth);
    int cxWidest = 0;
    FixedWidth("Save &As... ", cxWidest);
    for (const std::string& str : { arr[0], arr[2] })
    {
        int cx = 0;
        FixedWidth(MenuLabel(str), cx);
        EXPECT_GE(cx, cxWidest) << str;
        EXPECT_LT(cx - 3, cxWidest) << str;   // not one space more than needed
    }
    EXPECT_EQ("Save &As...", arr[1]);
    EXPECT_EQ("\tCtrl+N", arr[0].substr(arr[0].find('\t')));
}

TEST(MenuText, PaddingEndsWhenMeasuringFailsOrStopsGrowing)
{
    std::vector<std::string> arr = { "&New\tCtrl+N", "A much longer label" };
    int nCalls = 0;
    // The widest label measures fine; afterwards every measurement fails.
    PadAcceleratorTexts(arr, [&nCalls](const std::string& str, int& cx) {
        ++nCalls;
        return nCalls <= 2 && FixedWidth(str, cx);
    });
    EXPECT_EQ("&New \tCtrl+N", arr[0]);

    arr = { "&New\tCtrl+N", "A much longer label" };
    int nWidthCalls = 0;
    PadAcceleratorTexts(arr, [&nWidthCalls](const std::string& str, int& cx) {
        cx = ++nWidthCalls <= 2 ? static_cast<int>(str.size()) * 10 : 5;   // then never grows
        return true;
    });
    EXPECT_LT(nWidthCalls, 10);
    EXPECT_EQ(0u, arr[0].find("&New "));
}

TEST(MenuText, DoubledAmpersandIsALiteralNotAMnemonic)
{
    EXPECT_TRUE(HasMnemonic("e&xit", "x"));
    EXPECT_FALSE(HasMnemonic("e&xit", "e"));
    EXPECT_FALSE(HasMnemonic("&1 c:\\r&&d\\x.vpp", "d"));
    EXPECT_TRUE(HasMnemonic("&1 c:\\r&&d\\x.vpp", "1"));
    EXPECT_TRUE(HasMnemonic("r&&d &tools", "t"));
    EXPECT_FALSE(HasMnemonic("trailing&", "x"));
    EXPECT_FALSE(HasMnemonic("", "x"));
}
