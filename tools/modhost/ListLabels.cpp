#include "ListLabels.h"

#include <algorithm>
#include <stdexcept>

#include "EnumList.h"

namespace {

// A plug-in's 8-bit text unit by unit, as the layer's wide texts hold it;
// narrowing gives the bytes back unchanged.
WideString widen(std::string_view text) {
    WideString wide;
    for (const char c : text) wide.push_back(static_cast<unsigned char>(c));
    return wide;
}

std::string narrow(const WideString& text) {
    std::string bytes;
    for (const WideChar unit : text) bytes.push_back(static_cast<char>(unit));
    return bytes;
}

}  // namespace

ListLabels readListText(std::string_view text) {
    ListLabels list;
    list.listText = widen(text);
    // The five characters by which EnumList tells the two forms apart.
    list.isRange = text.substr(0, 5) == "range";
    list.endsWithComma = !list.isRange && !text.empty() && text.back() == ',';
    try {
        EnumList walk(list.listText);
        for (walk.first(); !walk.atEnd() && list.items.size() < ListLabels::kMaxItems;
             walk.next()) {
            list.items.push_back({walk.current().value, narrow(walk.current().text)});
        }
        if (list.isRange && !list.items.empty()) {
            list.low = list.items.front().value;
            list.high = static_cast<std::int32_t>(std::int64_t{list.low} + walk.count() - 1);
        }
    } catch (const std::out_of_range&) {
        list.readable = false;  // "range" with no room for bounds
    }
    return list;
}

std::optional<std::int32_t> ListLabels::valueOf(std::string_view label) const {
    if (isRange) return std::nullopt;
    const auto found = std::find_if(items.begin(), items.end(),
                                    [&](const ListItem& item) { return item.label == label; });
    if (found == items.end()) return std::nullopt;
    return found->value;
}

std::optional<std::string> ListLabels::labelOf(std::int32_t value) const {
    if (!readable) return std::nullopt;
    EnumList walk(listText);
    if (!walk.findValue(value)) return std::nullopt;
    return narrow(walk.current().text);
}

std::string ListLabels::choices() const {
    if (isRange) {
        return items.empty() ? "none" : std::to_string(low) + " to " + std::to_string(high);
    }
    std::string text;
    for (const ListItem& item : items) {
        if (!text.empty()) text += ", ";
        text += item.label;
    }
    return text;
}

std::int32_t ListLabels::initialValue() const {
    return readable ? sanitiseListValue(listText, 0) : 0;
}
