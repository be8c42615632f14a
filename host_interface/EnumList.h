#pragma once

#include <cstdint>
#include <string_view>

#include "EnumEntry.h"
#include "WideText.h"

// Iterator over the list text of an enumeration pin, the text that names the
// values such a pin can take. It has one of two forms:
// - "range", one separator character of any kind, then "low,high": the
//   integers from low to high, both included, each shown in decimal;
// - anything else: items separated by commas, each "label" or
//   "label=number". An item without a number takes the previous item's value
//   plus 1, and the first one 0. Labels lose their leading and trailing
//   spaces (U+0020 only).
// Numbers are read like wcstol in base 10, clamped to the 32-bit range.
//
// The walk: first(); then, while !atEnd(), read current() and call next().
// Nothing is cached: every walk reads the text again. Until the first call of
// first() the walk stands at its end.
class EnumList {
public:
    // Copies the text. The text that is exactly "range" has no room for
    // bounds and throws std::out_of_range.
    explicit EnumList(const WideString& listText);

    void first();
    void next();
    bool atEnd() const { return currentEntry_.index == -1; }
    const EnumEntry& current() const { return currentEntry_; }

    // Range form: |high - low| + 1, at most 2147483647; a range written high
    // bound first yields no item but counts the same. Plain form: 1 plus the
    // commas after the first character, so it differs from the items a walk
    // yields for the empty text (1, none), a trailing comma (counted, no
    // item) and a leading comma (not counted, an empty item).
    std::int32_t count() const;

    // Both walk from the first item and stop on the earliest match, leaving
    // current() there; without a match the walk is left at its end.
    bool findValue(std::int32_t value);
    bool findIndex(std::int32_t index);

private:
    static std::int32_t parseInteger(const WideString& text, int base);
    void firstInRange();
    void nextInRange();
    void nextInPlain();
    void setTrimmedText(std::u16string_view item);
    std::u16string_view scanText() const;

    WideString listText_;     // the list text, never changed after construction
    EnumEntry currentEntry_;  // the item the walk stands on
    bool isRange_ = false;    // the text has the range form
    std::int32_t low_ = 0;    // range: the low bound; plain: where the next item begins
    std::int32_t high_ = 0;   // range: the high bound; plain: unused
};

// Whether the value names an item of the list text.
bool isValueInList(const WideString& listText, std::int32_t value);

// The value when it names an item of the list text, otherwise the first
// item's value, or 0 when the text yields no item.
std::int32_t sanitiseListValue(const WideString& listText, std::int32_t value);
