#include "EnumList.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cwchar>
#include <limits>
#include <memory>

namespace {

constexpr std::int32_t int32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t int32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::u16string_view rangeKeyword = u"range";
// The bounds follow the keyword and one separator character, whatever it is.
constexpr std::size_t rangeBoundsStart = rangeKeyword.size() + 1;
constexpr int decimal = 10;

bool hasRangeKeyword(const WideString& text) {
    return text.size() >= rangeKeyword.size() &&
           text.compare(0, rangeKeyword.size(), rangeKeyword) == 0;
}

// value + 1, wrapping from 2147483647 to -2147483648 as 32-bit two's
// complement does. An item without a number after one numbered 2147483647
// thus gets -2147483648: still a value of its own, and the one a host doing
// plain 32-bit arithmetic on the same text arrives at.
std::int32_t successor(std::int32_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) + 1u);
}

// A range item's display text: the value as "%d" prints it. Sixteen wide
// characters hold any 32-bit value with its sign and the terminator.
void formatDecimal(std::int32_t value, WideString& text) {
    std::array<wchar_t, 16> buffer{};
    const int length = std::swprintf(buffer.data(), buffer.size(), L"%d", static_cast<int>(value));
    text.clear();
    for (int i = 0; i < length; ++i) text.push_back(static_cast<WideChar>(buffer[i]));
}

}  // namespace

EnumList::EnumList(const WideString& listText)
    : listText_(listText), isRange_(hasRangeKeyword(listText_)) {
    if (!isRange_) {
        // Until first(), next() finds nothing left to read.
        low_ = static_cast<std::int32_t>(scanText().size());
        return;
    }
    const WideString bounds = listText_.substr(rangeBoundsStart);  // "range" alone throws here
    low_ = parseInteger(bounds, decimal);
    const std::size_t comma = bounds.find(u',');
    // Without a comma there is no high bound: the range is its low bound alone.
    high_ = comma == WideString::npos ? low_ : parseInteger(bounds.substr(comma + 1), decimal);
}

void EnumList::first() {
    if (isRange_) {
        firstInRange();
        return;
    }
    low_ = 0;
    currentEntry_.value = -1;
    currentEntry_.index = -1;
    nextInPlain();
}

void EnumList::next() {
    if (isRange_) {
        nextInRange();
    } else {
        nextInPlain();
    }
}

// Starts on low itself rather than stepping up from low - 1, which does not
// exist when low is the smallest 32-bit value.
void EnumList::firstInRange() {
    currentEntry_.index = low_ <= high_ ? 0 : -1;
    currentEntry_.value = low_;
    formatDecimal(low_, currentEntry_.text);
}

// The walk ends on leaving the item whose value is high, instead of stepping
// one past high and comparing, so a range up to 2147483647 ends without
// leaving the 32-bit range. For the same reason it ends after position
// 2147483647 in a range wider than that.
void EnumList::nextInRange() {
    if (atEnd() || currentEntry_.value >= high_ || currentEntry_.index == int32Max) {
        currentEntry_.index = -1;
        return;
    }
    ++currentEntry_.index;
    ++currentEntry_.value;
    formatDecimal(currentEntry_.value, currentEntry_.text);
}

void EnumList::nextInPlain() {
    ++currentEntry_.index;  // from -1 at the end, or at most the text's length - 1
    currentEntry_.value = successor(currentEntry_.value);
    const std::u16string_view text = scanText();
    const auto start = static_cast<std::size_t>(low_);
    if (start >= text.size()) {
        currentEntry_.index = -1;
        return;
    }
    const std::size_t comma = text.find(u',', start);
    const std::size_t end = comma == std::u16string_view::npos ? text.size() : comma;
    std::u16string_view item = text.substr(start, end - start);
    // Only an "=" after at least one character separates a number; an item
    // that begins with "=" is all label.
    const std::size_t equals = item.find(u'=');
    if (equals != std::u16string_view::npos && equals > 0) {
        currentEntry_.value = parseInteger(WideString(item.substr(equals + 1)), decimal);
        item = item.substr(0, equals);
    }
    // After the last item the scan stands at the end of the text.
    low_ = static_cast<std::int32_t>(comma == std::u16string_view::npos ? text.size() : comma + 1);
    setTrimmedText(item);
}

// Only U+0020 is trimmed; tabs and other white space belong to the label.
void EnumList::setTrimmedText(std::u16string_view item) {
    const std::size_t begin = item.find_first_not_of(u' ');
    if (begin == std::u16string_view::npos) {
        currentEntry_.text.clear();
        return;
    }
    const std::size_t last = item.find_last_not_of(u' ');
    currentEntry_.text.assign(item.substr(begin, last - begin + 1));
}

// Scan positions are 32-bit: a plain text is read up to its 2147483647th
// unit, so every position and index stays representable.
std::u16string_view EnumList::scanText() const {
    return std::u16string_view(listText_).substr(0, static_cast<std::size_t>(int32Max));
}

std::int32_t EnumList::count() const {
    if (isRange_) {
        const std::int64_t width = std::abs(std::int64_t{high_} - std::int64_t{low_}) + 1;
        return static_cast<std::int32_t>(std::min<std::int64_t>(width, int32Max));
    }
    // The first character is not examined: a leading comma adds nothing.
    const std::u16string_view text = scanText();
    if (text.size() <= 1) return 1;
    return 1 + static_cast<std::int32_t>(std::count(text.begin() + 1, text.end(), u','));
}

bool EnumList::findValue(std::int32_t value) {
    for (first(); !atEnd(); next()) {
        if (currentEntry_.value == value) return true;
    }
    return false;
}

bool EnumList::findIndex(std::int32_t index) {
    for (first(); !atEnd(); next()) {
        if (currentEntry_.index == index) return true;
    }
    return false;
}

// wcstol reads wchar_t, which is 32-bit on Linux and 16-bit on Windows: the
// units are copied into a zero-terminated wchar_t text (widened where
// wchar_t is wider), on the stack when short. long is 64-bit on some builds,
// so the result is clamped to the 32-bit range as well.
std::int32_t EnumList::parseInteger(const WideString& text, int base) {
    constexpr std::size_t stackUnits = 32;
    std::array<wchar_t, stackUnits> stackCopy;
    std::unique_ptr<wchar_t[]> heapCopy;
    wchar_t* copy = stackCopy.data();
    if (text.size() >= stackUnits) {
        heapCopy = std::make_unique<wchar_t[]>(text.size() + 1);
        copy = heapCopy.get();
    }
    std::transform(text.begin(), text.end(), copy, [](WideChar unit) { return wchar_t{unit}; });
    copy[text.size()] = L'\0';
    const long number = std::wcstol(copy, nullptr, base);
    return static_cast<std::int32_t>(std::clamp<long>(number, int32Min, int32Max));
}

bool isValueInList(const WideString& listText, std::int32_t value) {
    EnumList list(listText);
    return list.findValue(value);
}

std::int32_t sanitiseListValue(const WideString& listText, std::int32_t value) {
    EnumList list(listText);
    if (list.findValue(value)) return value;
    list.first();
    return list.atEnd() ? 0 : list.current().value;
}
