#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "WideText.h"

// One item of a list pin's list text: the value the pin holds and its label.
struct ListItem {
    std::int32_t value;  // the value a list pin holds when this item is chosen
    std::string label;   // the display text, without leading and trailing spaces

    bool operator==(const ListItem&) const = default;
};

// A list pin's list text ("OFF,ON", "A=5,B", "range 0,3") read with the
// layer's EnumList, as the plug-ins read it: the items are what a host
// offers as the pin's choices.
struct ListLabels {
    static constexpr std::size_t kMaxItems = 1024;  // a wide range is not listed in full

    WideString listText;          // the text, one 16-bit unit per byte
    bool readable = true;         // false for the text "range" alone, which has no bounds
    bool isRange = false;         // the text has the range form
    std::int32_t low = 0;         // range form with items: the first value
    std::int32_t high = 0;        // range form with items: the last value
    bool endsWithComma = false;   // plain form: a comma with no item after it
    std::vector<ListItem> items;  // the items a walk yields, at most kMaxItems

    // The value of the first item with this label; a range's labels are its
    // numbers, which the caller reads as numbers.
    std::optional<std::int32_t> valueOf(std::string_view label) const;
    // The label of the first item with this value.
    std::optional<std::string> labelOf(std::int32_t value) const;
    // The labels as a host offers them: "OFF, ON", or "-2 to 2" for a range.
    std::string choices() const;
    // The value a new pin starts with: 0 if an item has it, else the first
    // item's value, else 0.
    std::int32_t initialValue() const;
};

ListLabels readListText(std::string_view text);
