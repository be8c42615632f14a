#include "Utf16.h"

namespace pe::utf16 {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void appendUtf16(std::u16string& out, char32_t codePoint) {
    if (codePoint < 0x10000) {
        out.push_back(static_cast<char16_t>(codePoint));
        return;
    }
    codePoint -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
}

// Decodes one UTF-8 sequence at `at`; nothing for an invalid one (then `at`
// moves past its first byte only).
std::optional<char32_t> decodeUtf8(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80) return lead;
    // The lead byte gives the number of continuation bytes, the payload
    // bits it carries, and the smallest code point that needs that length.
    int trailing = 0;
    char32_t codePoint = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trailing = 1;
        codePoint = lead & 0x1Fu;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trailing = 2;
        codePoint = lead & 0x0Fu;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trailing = 3;
        codePoint = lead & 0x07u;
        minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    std::size_t next = at;
    for (int i = 0; i < trailing; ++i, ++next) {
        if (next >= text.size()) return std::nullopt;
        const auto byte = static_cast<unsigned char>(text[next]);
        if ((byte & 0xC0) != 0x80) return std::nullopt;
        codePoint = (codePoint << 6) | (byte & 0x3Fu);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || isHighSurrogate(codePoint) ||
        isLowSurrogate(codePoint)) {
        return std::nullopt;
    }
    at = next;
    return codePoint;
}

}  // namespace

std::size_t length(const char16_t* text) {
    std::size_t count = 0;
    while (text[count] != 0) ++count;
    return count;
}

void appendUtf8(std::string& out, char32_t codePoint) {
    if (isHighSurrogate(codePoint) || isLowSurrogate(codePoint) || codePoint > 0x10FFFF) {
        codePoint = kReplacement;
    }
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

std::string toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00u));
            ++i;
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

bool isWellFormed(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            ++i;
        } else if (isHighSurrogate(text[i]) || isLowSurrogate(text[i])) {
            return false;
        }
    }
    return true;
}

std::optional<std::u16string> fromUtf8(std::string_view text, bool strict) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::optional<char32_t> codePoint = decodeUtf8(text, at);
        if (!codePoint && strict) return std::nullopt;
        appendUtf16(out, codePoint.value_or(kReplacement));
    }
    return out;
}

std::size_t unitsForUtf8(std::string_view text) {
    const std::optional<std::u16string> units = fromUtf8(text, false);
    return units->size();
}

}  // namespace pe::utf16
