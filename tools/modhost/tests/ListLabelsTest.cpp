// List texts read through the layer's EnumList into the items a host
// offers as a list pin's choices (the syntax itself is EnumList's to test).
#include <gtest/gtest.h>

#include "ListLabels.h"

namespace {

TEST(ListLabelsTest, PlainTextsGiveTheirItems) {
    struct Case {
        const char* text;
        std::vector<ListItem> items;
    };
    for (const Case& c : {
             Case{"OFF,ON", {{0, "OFF"}, {1, "ON"}}},
             Case{"", {}},
             Case{"A=5,B,C=2,D", {{5, "A"}, {6, "B"}, {2, "C"}, {3, "D"}}},
             Case{" OFF = 0 , ON = 1 ", {{0, "OFF"}, {1, "ON"}}},
             Case{"caf\xE9,\xFF", {{0, "caf\xE9"}, {1, "\xFF"}}},  // bytes come back unchanged
             Case{"Range 0,3", {{0, "Range 0"}, {1, "3"}}},
         }) {
        const ListLabels list = readListText(c.text);
        EXPECT_FALSE(list.isRange) << c.text;
        EXPECT_EQ(list.items, c.items) << c.text;
    }
    EXPECT_TRUE(readListText("OFF,ON,").endsWithComma);
    EXPECT_FALSE(readListText("OFF,ON").endsWithComma);
}

TEST(ListLabelsTest, RangeTextsGiveTheirBounds) {
    struct Case {
        const char* text;
        std::int32_t low, high;
        std::size_t items;
    };
    for (const Case& c :
         {Case{"range 0,3", 0, 3, 4}, Case{"range -2,2", -2, 2, 5}, Case{"range 7", 7, 7, 1},
          Case{"range 3,0", 0, 0, 0}, Case{"range 0,100000", 0, 100000, ListLabels::kMaxItems}}) {
        const ListLabels list = readListText(c.text);
        EXPECT_TRUE(list.isRange && list.readable) << c.text;
        EXPECT_EQ(list.low, c.low) << c.text;
        EXPECT_EQ(list.high, c.high) << c.text;
        EXPECT_EQ(list.items.size(), c.items) << c.text;
    }
    EXPECT_FALSE(readListText("range").readable);
    EXPECT_EQ(readListText("range").labelOf(0), std::nullopt);
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
    EXPECT_EQ(range.valueOf("1"), std::nullopt);  // a range's labels are read as numbers
    EXPECT_EQ(range.labelOf(-2), "-2");
    EXPECT_EQ(range.labelOf(3), std::nullopt);
    EXPECT_EQ(range.initialValue(), 0);
    EXPECT_EQ(readListText("range 3,9").initialValue(), 3);
    EXPECT_EQ(range.choices(), "-2 to 2");
    EXPECT_EQ(readListText("range 3,0").choices(), "none");
}

}  // namespace
