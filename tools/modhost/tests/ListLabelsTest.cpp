// List texts read as a host shows a list pin's choices.
#include <gtest/gtest.h>

#include <climits>

#include "ListLabels.h"

namespace {

struct ListCase {
    const char* text;
    std::vector<ListItem> items;  // plain form
};

TEST(ListLabelsTest, PlainTextsGiveTheirItems) {
    const std::vector<ListCase> cases = {
        {"OFF,ON", {{0, "OFF"}, {1, "ON"}}},
        {"", {}},
        {"OFF,ON,", {{0, "OFF"}, {1, "ON"}}},
        {",OFF", {{0, ""}, {1, "OFF"}}},
        {"A=5,B,C=2,D", {{5, "A"}, {6, "B"}, {2, "C"}, {3, "D"}}},
        {"=3,B", {{0, "=3"}, {1, "B"}}},
        {"A=x,B", {{0, "A"}, {1, "B"}}},
        {" OFF = 0 , ON = 1 ", {{0, "OFF"}, {1, "ON"}}},
        {" = 5,B", {{5, ""}, {6, "B"}}},
        {"A,\tB", {{0, "A"}, {1, "\tB"}}},
        {"Range 0,3", {{0, "Range 0"}, {1, "3"}}},
    };
    for (const ListCase& c : cases) {
        const ListLabels list = readListText(c.text);
        EXPECT_FALSE(list.isRange) << c.text;
        EXPECT_EQ(list.items, c.items) << c.text;
    }
    EXPECT_TRUE(readListText("OFF,ON,").endsWithComma);
}

TEST(ListLabelsTest, RangeTextsGiveTheirBounds) {
    struct RangeCase {
        const char* text;
        std::int32_t low, high;
        bool hasComma;
    };
    for (const RangeCase& c :
         {RangeCase{"range 0,3", 0, 3, true}, RangeCase{"range -2,2", -2, 2, true},
          RangeCase{"range10,20", 0, 20, true}, RangeCase{"ranged,short", 0, 0, true},
          RangeCase{"range 7", 7, 7, false}}) {
        const ListLabels list = readListText(c.text);
        EXPECT_TRUE(list.isRange && list.readable) << c.text;
        EXPECT_EQ(list.low, c.low) << c.text;
        EXPECT_EQ(list.high, c.high) << c.text;
        EXPECT_EQ(list.rangeHasComma, c.hasComma) << c.text;
    }
    EXPECT_FALSE(readListText("range").readable);
}

TEST(ListLabelsTest, LabelsAndValuesLookEachOtherUp) {
    const ListLabels plain = readListText("A=5,B,A=9");
    EXPECT_EQ(plain.valueOf("A"), 5);  // the first item with the label
    EXPECT_EQ(plain.valueOf("C"), std::nullopt);
    EXPECT_EQ(plain.labelOf(6), "B");
    EXPECT_EQ(plain.labelOf(0), std::nullopt);
    EXPECT_EQ(plain.initialValue(), 5);  // 0 names no item: the first item's value
    EXPECT_EQ(plain.choices(), "A, B, A");

    const ListLabels range = readListText("range -2,2");
    EXPECT_EQ(range.labelOf(-2), "-2");
    EXPECT_EQ(range.labelOf(3), std::nullopt);
    EXPECT_EQ(range.initialValue(), 0);
    EXPECT_EQ(readListText("range 3,9").initialValue(), 3);
    EXPECT_EQ(range.choices(), "-2 to 2");
}

TEST(ListLabelsTest, NumbersReadAsTheListSyntaxReadsThem) {
    struct NumberCase {
        const char* text;
        std::int32_t value;
    };
    for (const NumberCase& c :
         {NumberCase{"  42x", 42}, NumberCase{"-7", -7}, NumberCase{"+8", 8}, NumberCase{"x", 0},
          NumberCase{"", 0}, NumberCase{"99999999999", INT_MAX},
          NumberCase{"-99999999999", INT_MIN}, NumberCase{"2147483647", INT_MAX},
          NumberCase{"-2147483648", INT_MIN}}) {
        EXPECT_EQ(readListNumber(c.text), c.value) << c.text;
    }
}

}  // namespace
