#include "PinValueText.h"

#include <bit>
#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "BadInput.h"

namespace {

std::string quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

std::optional<std::int32_t> parseWholeNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return std::nullopt;
    }
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return number;
}

std::optional<float> parseFloatNumber(std::string_view text) {
    const std::string copy(text);
    if (copy.empty()) return std::nullopt;
    char* end = nullptr;
    const float number = std::strtof(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size()) return std::nullopt;
    return number;
}

std::optional<std::int32_t> parseBoolean(std::string_view text) {
    if (text == "0" || text == "false") return 0;
    if (text == "1" || text == "true") return 1;
    return std::nullopt;
}

std::string pinNames(const std::vector<PinInfo>& pins) {
    std::string names;
    for (const PinInfo& pin : pins) {
        if (!names.empty()) names += ", ";
        names += pin.displayName();
    }
    return names.empty() ? "none" : names;
}

}  // namespace

std::string_view trimWhiteSpace(std::string_view text) {
    constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";
    const auto first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

const PinInfo& findPin(const std::vector<PinInfo>& pins, std::string_view nameOrIndex) {
    for (const PinInfo& pin : pins) {
        if (pin.name && *pin.name == nameOrIndex) return pin;
    }
    if (const auto index = parseWholeNumber(nameOrIndex)) {
        if (*index >= 0 && static_cast<std::size_t>(*index) < pins.size()) {
            return pins[static_cast<std::size_t>(*index)];
        }
    }
    throw BadInput("no pin named " + quoted(nameOrIndex) + "; the pins are " + pinNames(pins));
}

std::int32_t parsePinValue(const PinInfo& pin, std::string_view text) {
    std::optional<std::int32_t> word;
    if (pin.isList()) {
        word = pin.labels().valueOf(text);
        if (!word) word = parseWholeNumber(text);
    } else if (pin.isBool()) {
        word = parseBoolean(text);
    } else if (pin.isFloat()) {
        if (const auto number = parseFloatNumber(text)) word = std::bit_cast<std::int32_t>(*number);
    } else {
        word = parseWholeNumber(text);
    }
    if (!word) {
        throw BadInput(quoted(text) + " is not a value of " + pin.displayName() + ": give " +
                       acceptedValues(pin));
    }
    return *word;
}

PinSetting parseSetting(const std::vector<PinInfo>& pins, std::string_view assignment) {
    const std::string_view trimmed = trimWhiteSpace(assignment);
    const auto equals = trimmed.find('=');
    if (equals == std::string_view::npos) {
        throw BadInput(quoted(trimmed) + " is not PIN=VALUE");
    }
    const PinInfo& pin = findPin(pins, trimWhiteSpace(trimmed.substr(0, equals)));
    const std::string_view value = trimWhiteSpace(trimmed.substr(equals + 1));
    return {pin.index, parsePinValue(pin, value), pin.displayName() + "=" + std::string(value)};
}

std::string formatPinValue(const PinInfo& pin, std::int32_t word) {
    if (pin.isList()) {
        if (auto label = pin.labels().labelOf(word)) return *label;
    }
    if (pin.isFloat()) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", static_cast<double>(std::bit_cast<float>(word)));
        return text;
    }
    return std::to_string(word);
}

std::string acceptedValues(const PinInfo& pin) {
    if (pin.isList()) {
        const ListLabels labels = pin.labels();
        if (labels.isRange || labels.items.empty()) return "a whole number";
        return labels.choices() + " or a whole number";
    }
    if (pin.isBool()) return "0, 1, true or false";
    if (pin.isFloat()) return "a number";
    return "a whole number";
}
