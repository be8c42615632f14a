// Enumeration list texts: the items a walk yields and the count for both
// forms, the searches and the free functions, number reading, and the edges
// of the 32-bit range.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "EnumList.h"

namespace {

struct Item {
    std::int32_t value;
    WideString text;
    bool operator==(const Item&) const = default;
};

// Readable in failure messages: ASCII as it is, other units as \uXXXX.
std::string narrow(const WideString& text) {
    std::string out;
    for (const WideChar unit : text) {
        if (unit >= 0x20 && unit < 0x7F) {
            out += static_cast<char>(unit);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(unit));
            out += escaped;
        }
    }
    return out;
}

void PrintTo(const Item& item, std::ostream* os) {
    *os << "(" << item.value << ", \"" << narrow(item.text) << "\")";
}

// Walks the list from the first item, checking that the indexes count 0, 1,
// 2, ... A walk that does not end within `limit` items fails the test.
std::vector<Item> walk(EnumList& list, std::size_t limit = 1000) {
    std::vector<Item> items;
    for (list.first(); !list.atEnd(); list.next()) {
        EXPECT_EQ(list.current().index, static_cast<std::int32_t>(items.size()));
        items.push_back({list.current().value, list.current().text});
        if (items.size() > limit) {
            ADD_FAILURE() << "the walk does not end";
            break;
        }
    }
    return items;
}

std::vector<Item> walk(const WideString& text) {
    EnumList list(text);
    return walk(list);
}

std::vector<Item> rangeItems(std::int32_t low, std::int32_t high) {
    std::vector<Item> items;
    for (std::int64_t v = low; v <= high; ++v) {
        const std::string digits = std::to_string(v);
        items.push_back({static_cast<std::int32_t>(v), WideString(digits.begin(), digits.end())});
    }
    return items;
}

struct ListCase {
    WideString text;
    std::vector<Item> items;
    std::int32_t count;
};

TEST(EnumListTest, WalkAndCountOfEachListForm) {
    const std::vector<ListCase> cases = {
        {u"OFF,ON", {{0, u"OFF"}, {1, u"ON"}}, 2},
        {u"", {}, 1},
        {u"OFF,ON,", {{0, u"OFF"}, {1, u"ON"}}, 3},
        {u",OFF", {{0, u""}, {1, u"OFF"}}, 1},
        {u",", {{0, u""}}, 1},
        {u"A,,B", {{0, u"A"}, {1, u""}, {2, u"B"}}, 3},
        {u"A=5,B,C=2,D", {{5, u"A"}, {6, u"B"}, {2, u"C"}, {3, u"D"}}, 4},
        {u"A=-3,B", {{-3, u"A"}, {-2, u"B"}}, 2},
        {u"=3,B", {{0, u"=3"}, {1, u"B"}}, 2},
        {u"A=x,B", {{0, u"A"}, {1, u"B"}}, 2},
        {u"A=B=3", {{0, u"A"}}, 1},
        {u" OFF , ON ", {{0, u"OFF"}, {1, u"ON"}}, 2},
        {u"OFF = 0, ON = 1", {{0, u"OFF"}, {1, u"ON"}}, 2},
        {u" = 5,B", {{5, u""}, {6, u"B"}}, 2},
        {u"   ", {{0, u""}}, 1},
        {u"A,\tB", {{0, u"A"}, {1, u"\tB"}}, 2},
        {u"range 0,3", rangeItems(0, 3), 4},
        {u"range -2,2", rangeItems(-2, 2), 5},
        {u"range 3,0", {}, 4},
        {u"range 1 , 5", rangeItems(1, 5), 5},
        {u"range:0,3", rangeItems(0, 3), 4},
        {u"range10,20", rangeItems(0, 20), 21},
        {u"ranged,short", {{0, u"0"}}, 1},
        {u"range:", {{0, u"0"}}, 1},
        {u"Range 0,3", {{0, u"Range 0"}, {1, u"3"}}, 2},
        {u"rang", {{0, u"rang"}}, 1},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE("list text \"" + narrow(c.text) + "\"");
        EnumList list(c.text);
        EXPECT_EQ(walk(list), c.items);
        EXPECT_EQ(list.count(), c.count);
    }
}

TEST(EnumListTest, NumbersAreReadAsWcstolReadsBaseTen) {
    const WideString manyZeros(100, u'0');  // longer than the short-number copy
    const std::vector<std::pair<WideString, std::int32_t>> cases = {
        {u"A=42", 42},
        {u"A=  \t\n42", 42},
        {u"A=+5", 5},
        {u"A=-7", -7},
        {u"A=- 7", 0},
        {u"A=12abc", 12},
        {u"A=0x10", 0},
        {u"A=", 0},
        {u"A=-", 0},
        {u"A=2147483647", INT32_MAX},
        {u"A=2147483648", INT32_MAX},
        {u"A=99999999999999999999", INT32_MAX},
        {u"A=-2147483648", INT32_MIN},
        {u"A=-2147483649", INT32_MIN},
        {u"A=-99999999999999999999", INT32_MIN},
        {u"A=" + manyZeros + u"42", 42},
        {WideString(u"A=1\0"
                    u"2",
                    5),
         1},
    };
    for (const auto& [text, value] : cases) {
        SCOPED_TRACE("list text \"" + narrow(text) + "\"");
        EXPECT_EQ(walk(text), (std::vector<Item>{{value, u"A"}}));
    }
    EXPECT_EQ(walk(u"range -99999999999,-2147483647"), rangeItems(INT32_MIN, INT32_MIN + 1));
}

struct FreeFunctionCase {
    WideString text;
    std::vector<std::int32_t> valuesInList;
    std::int32_t sanitisedOne;
    std::int32_t sanitisedSeven;
};

TEST(EnumListTest, FreeFunctionsFollowFindValue) {
    const std::vector<FreeFunctionCase> cases = {
        {u"OFF,ON", {0, 1}, 1, 0},
        {u"A=5,B,C=2,D", {2, 3, 5, 6}, 5, 5},
        {u"range 0,3", {0, 1, 2, 3}, 1, 0},
        {u"range 3,0", {}, 0, 0},
        {u"", {}, 0, 0},
    };
    for (const FreeFunctionCase& c : cases) {
        SCOPED_TRACE("list text \"" + narrow(c.text) + "\"");
        std::vector<std::int32_t> found;
        for (std::int32_t v = -3; v <= 10; ++v) {
            if (isValueInList(c.text, v)) found.push_back(v);
        }
        EXPECT_FALSE(isValueInList(c.text, INT32_MIN));
        EXPECT_FALSE(isValueInList(c.text, INT32_MAX));
        EXPECT_EQ(found, c.valuesInList);
        EXPECT_EQ(sanitiseListValue(c.text, 1), c.sanitisedOne);
        EXPECT_EQ(sanitiseListValue(c.text, 7), c.sanitisedSeven);
    }
}

void expectCurrent(const EnumList& list, std::int32_t index, const Item& item) {
    ASSERT_FALSE(list.atEnd());
    EXPECT_EQ(list.current().index, index);
    EXPECT_EQ((Item{list.current().value, list.current().text}), item);
}

TEST(EnumListTest, SearchesStopOnTheEarliestMatchOrEndTheWalk) {
    EnumList list(u"OFF,ON");
    EXPECT_TRUE(list.findValue(1));
    expectCurrent(list, 1, {1, u"ON"});
    EXPECT_TRUE(list.findIndex(0));
    expectCurrent(list, 0, {0, u"OFF"});

    for (const std::int32_t missing : {2, -1, INT32_MIN}) {
        EXPECT_TRUE(list.findIndex(1));
        EXPECT_FALSE(list.findIndex(missing)) << missing;
        EXPECT_TRUE(list.atEnd());
    }
    EXPECT_TRUE(list.findIndex(1));
    EXPECT_FALSE(list.findValue(5));
    EXPECT_TRUE(list.atEnd());

    EnumList shared(u"A=1,B=1,C=0");
    EXPECT_TRUE(shared.findValue(1));
    expectCurrent(shared, 0, {1, u"A"});
    EXPECT_TRUE(shared.findValue(0));
    expectCurrent(shared, 2, {0, u"C"});

    EnumList range(u"range 10,12");
    EXPECT_TRUE(range.findValue(12));
    expectCurrent(range, 2, {12, u"12"});
    EXPECT_TRUE(range.findIndex(1));
    expectCurrent(range, 1, {11, u"11"});
    EXPECT_FALSE(range.findValue(13));
    EXPECT_TRUE(range.atEnd());
}

TEST(EnumListTest, NextAtTheEndStaysThereAndFirstStartsOver) {
    for (const WideString text :
         {u"OFF,ON", u"range 0,1", u"A=2147483647", u"range 2147483647,2147483647"}) {
        SCOPED_TRACE("list text \"" + narrow(text) + "\"");
        EnumList list(text);
        EXPECT_TRUE(list.atEnd());  // before the first call of first()
        list.next();
        EXPECT_TRUE(list.atEnd());

        const std::vector<Item> items = walk(list);
        ASSERT_FALSE(items.empty());
        for (int i = 0; i < 3; ++i) {
            list.next();
            EXPECT_TRUE(list.atEnd());
        }
        EXPECT_EQ(walk(list), items);
    }
}

TEST(EnumListTest, ExactlyRangeHasNoBoundsAndThrows) {
    EXPECT_THROW(EnumList(u"range"), std::out_of_range);
    EXPECT_THROW(isValueInList(u"range", 0), std::out_of_range);
    EXPECT_THROW(sanitiseListValue(u"range", 0), std::out_of_range);
}

// Where the list text leaves the result open or would step outside the
// 32-bit range, the choices the walk makes.
TEST(EnumListTest, RangeWithoutCommaIsItsLowBoundAlone) {
    for (const WideString text : {u"range 4", u"range 4;9", u"range 4 9"}) {
        SCOPED_TRACE("list text \"" + narrow(text) + "\"");
        EnumList list(text);
        EXPECT_EQ(walk(list), rangeItems(4, 4));
        EXPECT_EQ(list.count(), 1);
    }
}

TEST(EnumListTest, RangesReachBothEndsOfThe32BitRange) {
    EnumList top(u"range 2147483645,2147483647");
    EXPECT_EQ(walk(top), rangeItems(2147483645, INT32_MAX));
    EXPECT_EQ(top.count(), 3);
    EXPECT_TRUE(top.findValue(INT32_MAX));
    EXPECT_EQ(top.current().index, 2);
    EXPECT_FALSE(top.findValue(0));
    EXPECT_TRUE(top.atEnd());
    EXPECT_EQ(sanitiseListValue(u"range 2147483645,2147483647", INT32_MIN), 2147483645);

    EnumList bottom(u"range -2147483648,-2147483646");
    EXPECT_EQ(walk(bottom), rangeItems(INT32_MIN, -2147483646));
    EXPECT_EQ(bottom.count(), 3);
    EXPECT_TRUE(bottom.findValue(INT32_MIN));
    EXPECT_EQ(bottom.current().text, u"-2147483648");
}

TEST(EnumListTest, CountOfARangeWiderThan32BitsIs2147483647) {
    for (const WideString text : {u"range -2147483648,2147483647", u"range 2147483647,-2147483648",
                                  u"range -1,2147483646", u"range 0,2147483647"}) {
        SCOPED_TRACE("list text \"" + narrow(text) + "\"");
        EXPECT_EQ(EnumList(text).count(), INT32_MAX);
    }
    EXPECT_EQ(EnumList(u"range 0,2147483646").count(), INT32_MAX);
    EXPECT_EQ(EnumList(u"range 1,2147483646").count(), INT32_MAX - 1);
    EXPECT_EQ(walk(u"range 2147483647,-2147483648"), std::vector<Item>{});
}

// An item without a number after one numbered 2147483647 wraps to
// -2147483648, as 32-bit two's complement arithmetic does.
TEST(EnumListTest, ValueAfter2147483647WrapsToTheSmallest) {
    const WideString text = u"A=2147483647,B,C";
    EXPECT_EQ(walk(text),
              (std::vector<Item>{{INT32_MAX, u"A"}, {INT32_MIN, u"B"}, {INT32_MIN + 1, u"C"}}));
    EXPECT_TRUE(isValueInList(text, INT32_MIN));
    EXPECT_EQ(sanitiseListValue(text, 0), INT32_MAX);
}

}  // namespace
