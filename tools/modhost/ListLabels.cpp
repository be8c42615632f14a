#include "ListLabels.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::string_view kRangeKeyword = "range";
// The character after the keyword separates it from the bounds and is skipped.
constexpr std::size_t kRangeBoundsStart = kRangeKeyword.size() + 1;

bool isWhiteSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Only U+0020 counts as a space around a label; tabs stay.
std::string trimSpaces(std::string_view item) {
    const auto first = item.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = item.find_last_not_of(' ');
    return std::string(item.substr(first, last - first + 1));
}

std::int32_t nextValue(std::int32_t value) {
    // Counting on past the largest value wraps, as 32-bit arithmetic does.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) + 1u);
}

void readPlainItems(std::string_view text, ListLabels& list) {
    std::int32_t value = -1;
    std::size_t position = 0;
    while (position < text.size()) {
        const auto comma = text.find(',', position);
        const auto end = comma == std::string_view::npos ? text.size() : comma;
        std::string_view item = text.substr(position, end - position);
        value = nextValue(value);
        // Only an "=" with something before it separates a number.
        const auto equals = item.find('=');
        if (equals != std::string_view::npos && equals > 0) {
            value = readListNumber(item.substr(equals + 1));
            item = item.substr(0, equals);
        }
        list.items.push_back({value, trimSpaces(item)});
        position = end + 1;
    }
    list.endsWithComma = !text.empty() && text.back() == ',';
}

void readRange(std::string_view text, ListLabels& list) {
    list.isRange = true;
    if (text.size() < kRangeBoundsStart) {
        list.readable = false;
        return;
    }
    const std::string_view bounds = text.substr(kRangeBoundsStart);
    list.low = readListNumber(bounds);
    const auto comma = bounds.find(',');
    list.rangeHasComma = comma != std::string_view::npos;
    // Without a comma there is no high bound: the range is its low bound alone.
    list.high = list.rangeHasComma ? readListNumber(bounds.substr(comma + 1)) : list.low;
}

}  // namespace

std::int32_t readListNumber(std::string_view text) {
    std::size_t position = 0;
    while (position < text.size() && isWhiteSpace(text[position])) ++position;
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        negative = text[position] == '-';
        ++position;
    }
    constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max() + std::int64_t{1};
    std::int64_t magnitude = 0;
    for (; position < text.size() && text[position] >= '0' && text[position] <= '9'; ++position) {
        magnitude = std::min(magnitude * 10 + (text[position] - '0'), kLimit);
    }
    const std::int64_t value = negative ? -magnitude : std::min(magnitude, kLimit - 1);
    return static_cast<std::int32_t>(value);
}

ListLabels readListText(std::string_view text) {
    ListLabels list;
    if (text.substr(0, kRangeKeyword.size()) == kRangeKeyword) {
        readRange(text, list);
    } else {
        readPlainItems(text, list);
    }
    return list;
}

std::optional<std::int32_t> ListLabels::valueOf(std::string_view label) const {
    if (isRange) return std::nullopt;  // a range's labels are numbers, read as such
    for (const ListItem& item : items) {
        if (item.label == label) return item.value;
    }
    return std::nullopt;
}

std::optional<std::string> ListLabels::labelOf(std::int32_t value) const {
    if (isRange) {
        if (readable && value >= low && value <= high) return std::to_string(value);
        return std::nullopt;
    }
    for (const ListItem& item : items) {
        if (item.value == value) return item.label;
    }
    return std::nullopt;
}

std::string ListLabels::choices() const {
    if (isRange) {
        return readable ? std::to_string(low) + " to " + std::to_string(high) : "none";
    }
    std::string text;
    for (const ListItem& item : items) {
        if (!text.empty()) text += ", ";
        text += item.label;
    }
    return text;
}

std::int32_t ListLabels::initialValue() const {
    if (labelOf(0)) return 0;
    if (isRange) return readable && low <= high ? low : 0;
    return items.empty() ? 0 : items.front().value;
}
