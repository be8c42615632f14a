#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One item of a list pin's list text: the value the pin holds and its label.
struct ListItem {
    std::int32_t value;  // the value a list pin holds when this item is chosen
    std::string label;   // the display text, without leading and trailing spaces

    bool operator==(const ListItem&) const = default;
};

// A list text ("OFF,ON", "A=5,B", "range 0,3") read the way plug-ins read
// it: plain items with optional "=number", or the "range" form. The items
// are what a host shows as the pin's choices.
struct ListLabels {
    bool readable = true;         // false for the text "range" alone, which has no bounds
    bool isRange = false;         // the text starts with "range"
    std::int32_t low = 0;         // range form: the low bound
    std::int32_t high = 0;        // range form: the high bound
    bool rangeHasComma = true;    // range form: a comma separates the bounds
    bool endsWithComma = false;   // plain form: a comma with no item after it
    std::vector<ListItem> items;  // plain form: the items in order

    // The value of the first item with this label; a range's labels are its numbers.
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

// A number as the list syntax reads it: leading white space, an optional
// sign, decimal digits up to the first other character; no digits read as 0,
// and a number beyond the 32-bit range reads as the nearest limit.
std::int32_t readListNumber(std::string_view text);
