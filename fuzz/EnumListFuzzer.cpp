// Arbitrary list texts through EnumList and the free functions. Beyond the
// absence of crashes, leaks and undefined behaviour it checks that:
// - construction throws std::out_of_range for exactly "range" and for no
//   other text;
// - a walk ends, its indexes count 0, 1, 2, ..., and a second walk from
//   first() yields the same items; next() at the end stays at the end;
// - count() agrees with the walk, except for the empty text, a trailing
//   comma and a leading comma, and a range written high bound first;
// - range items are consecutive values shown in decimal; plain items have
//   the labels of a plain reference split at commas, and an item without a
//   number the previous value plus 1;
// - findIndex and findValue agree with the walk (earliest match, end of the
//   walk when nothing matches), and isValueInList and sanitiseListValue
//   agree with findValue.
//
// Input: when the first byte is 0, the rest is UTF-16LE code units;
// otherwise every byte is one code unit, as the host's 8-bit list texts are.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "EnumList.h"

namespace {

// Ranges can hold billions of items: a walk is followed this far at most.
constexpr std::size_t rangeWalkLimit = 256;

void check(bool holds, const char* invariant) {
    if (holds) return;
    std::fprintf(stderr, "EnumList invariant broken: %s\n", invariant);
    std::abort();
}

WideString decode(const std::uint8_t* data, std::size_t size) {
    WideString text;
    if (size > 0 && data[0] == 0) {
        for (std::size_t i = 1; i + 1 < size; i += 2) {
            text.push_back(static_cast<WideChar>(data[i] | (data[i + 1] << 8)));
        }
    } else {
        text.assign(data, data + size);
    }
    return text;
}

bool hasRangeForm(const WideString& text) {
    return text.rfind(u"range", 0) == 0;
}

struct Item {
    std::int32_t value;
    WideString text;
    bool operator==(const Item&) const = default;
};

struct Walk {
    std::vector<Item> items;
    bool ended = false;  // false: cut off after `limit` items
};

Walk walk(EnumList& list, std::size_t limit) {
    Walk result;
    for (list.first(); !list.atEnd(); list.next()) {
        check(list.current().index == static_cast<std::int32_t>(result.items.size()),
              "indexes count 0, 1, 2, ...");
        if (result.items.size() == limit) return result;
        result.items.push_back({list.current().value, list.current().text});
    }
    result.ended = true;
    return result;
}

void checkCurrent(const EnumList& list, std::size_t index, const Item& item, const char* search) {
    check(!list.atEnd(), search);
    check(list.current().index == static_cast<std::int32_t>(index), search);
    check(list.current().value == item.value && list.current().text == item.text, search);
}

WideString decimal(std::int64_t value) {
    const std::string digits = std::to_string(value);
    return WideString(digits.begin(), digits.end());
}

void checkRangeItems(const std::vector<Item>& items) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::int64_t expected =
            std::int64_t{items.front().value} + static_cast<std::int64_t>(i);
        check(items[i].value == expected, "range values rise by 1");
        check(items[i].text == decimal(expected), "range item text is its value in decimal");
    }
}

// The plain form read the plainest way, as a reference: split the whole text
// at its commas (nothing after a trailing one), cut each piece at its first
// "=" unless that is its first character, and trim spaces. Values are
// compared only for pieces without a number: previous value plus 1.
void checkPlainItems(const WideString& text, const std::vector<Item>& items) {
    std::size_t position = 0;
    std::int32_t previous = -1;
    for (const Item& item : items) {
        check(position < text.size(), "a plain item for every comma-separated piece");
        const std::size_t comma = std::min(text.find(u',', position), text.size());
        WideString piece = text.substr(position, comma - position);
        position = comma + 1;
        const std::size_t equals = piece.find(u'=');
        const bool numbered = equals != WideString::npos && equals > 0;
        if (numbered) piece.resize(equals);
        const std::size_t begin = piece.find_first_not_of(u' ');
        const WideString label =
            begin == WideString::npos
                ? WideString()
                : piece.substr(begin, piece.find_last_not_of(u' ') - begin + 1);
        check(item.text == label, "a plain item's text is its trimmed label");
        if (!numbered) {
            check(
                item.value == static_cast<std::int32_t>(static_cast<std::uint32_t>(previous) + 1u),
                "an item without a number follows the previous value");
        }
        previous = item.value;
    }
    check(position >= text.size(), "no comma-separated piece is left out");
}

void checkCount(const WideString& text, const EnumList& list, const Walk& walked) {
    const auto items = static_cast<std::int64_t>(walked.items.size());
    const std::int32_t count = list.count();
    if (!hasRangeForm(text)) {
        const bool leadingComma = !text.empty() && text.front() == u',';
        const bool trailingComma = !text.empty() && text.back() == u',';
        const std::int64_t expected =
            items + (text.empty() ? 1 : 0) + (trailingComma ? 1 : 0) - (leadingComma ? 1 : 0);
        check(count == expected, "count agrees with the plain walk at all but its edges");
    } else if (!walked.ended) {
        check(count > static_cast<std::int64_t>(rangeWalkLimit), "a cut-off range counts more");
    } else if (items == 0) {
        check(count >= 2, "a range written high bound first counts at least 2");
    } else {
        check(count == items, "count agrees with the range walk");
    }
}

// A value that no walked item has, for the searches that must fail.
std::int32_t absentValue(const std::vector<Item>& items) {
    std::set<std::int32_t> values;
    for (const Item& item : items) values.insert(item.value);
    std::int32_t candidate = std::numeric_limits<std::int32_t>::min();
    while (values.count(candidate) != 0) ++candidate;  // at most items.size() steps
    return candidate;
}

void checkSearches(const WideString& text, EnumList& list, const Walk& walked) {
    const std::vector<Item>& items = walked.items;
    const std::size_t last = items.empty() ? 0 : items.size() - 1;
    for (const std::size_t index : {std::size_t{0}, last / 2, last}) {
        if (index >= items.size()) break;
        check(list.findIndex(static_cast<std::int32_t>(index)),
              "findIndex finds a walked position");
        checkCurrent(list, index, items[index], "findIndex stands on that position");

        const std::int32_t value = items[index].value;
        const auto earliest =
            static_cast<std::size_t>(std::find_if(items.begin(), items.end(),
                                                  [&](const Item& i) { return i.value == value; }) -
                                     items.begin());
        check(list.findValue(value), "findValue finds a walked value");
        checkCurrent(list, earliest, items[earliest], "findValue stands on the earliest match");
        check(isValueInList(text, value), "isValueInList agrees with findValue");
        check(sanitiseListValue(text, value) == value, "sanitiseListValue keeps a listed value");
    }
    if (!walked.ended) return;  // a search for something absent would walk too far

    check(!list.findIndex(static_cast<std::int32_t>(items.size())) && list.atEnd(),
          "findIndex past the last item ends the walk");
    check(!list.findIndex(-1) && list.atEnd(), "findIndex(-1) ends the walk");
    const std::int32_t absent = absentValue(items);
    check(!list.findValue(absent) && list.atEnd(), "findValue of an absent value ends the walk");
    check(!isValueInList(text, absent), "isValueInList agrees with findValue");
    check(sanitiseListValue(text, absent) == (items.empty() ? 0 : items.front().value),
          "sanitiseListValue falls back on the first item, or 0");
}

std::optional<EnumList> construct(const WideString& text) {
    try {
        return EnumList(text);
    } catch (const std::out_of_range&) {
        check(text == u"range", "only exactly \"range\" throws out_of_range");
        return std::nullopt;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const WideString text = decode(data, size);
    std::optional<EnumList> constructed = construct(text);
    if (!constructed) return 0;
    check(text != u"range", "exactly \"range\" throws out_of_range");
    EnumList& list = *constructed;

    const bool range = hasRangeForm(text);
    // A plain text of n units holds at most n + 1 items.
    const Walk walked = walk(list, range ? rangeWalkLimit : text.size() + 2);
    check(range || walked.ended, "a plain walk ends");
    if (range) {
        checkRangeItems(walked.items);
    } else {
        checkPlainItems(text, walked.items);
    }
    if (walked.ended) {
        list.next();
        check(list.atEnd(), "next at the end stays at the end");
    }
    const Walk again = walk(list, walked.items.size());
    check(again.items == walked.items, "first starts the same walk again");
    checkCount(text, list, walked);
    checkSearches(text, list, walked);
    return 0;
}
