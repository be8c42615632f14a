#include "JsonWriter.h"

#include <cstdio>
#include <string>

namespace {

// The length of the valid UTF-8 sequence at `position`, or 0 when the bytes
// there are not one.
std::size_t utf8SequenceLength(std::string_view text, std::size_t position) {
    const auto lead = static_cast<unsigned char>(text[position]);
    std::size_t length = 0;
    std::uint32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (position + length > text.size()) return 0;
    std::uint32_t codePoint = lead & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[position + i]);
        if ((next & 0xC0) != 0x80) return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    return codePoint < minimum || codePoint > 0x10FFFF || surrogate ? 0 : length;
}

void appendEscape(std::string& out, unsigned code) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04X", code);
    out += escape;
}

}  // namespace

std::string jsonQuoted(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80) {
            const std::size_t length = utf8SequenceLength(text, i);
            if (length == 0) {
                appendEscape(out, byte);  // not UTF-8: the byte as Latin-1
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (byte) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    appendEscape(out, byte);
                } else {
                    out += static_cast<char>(byte);
                }
        }
        ++i;
    }
    out += '"';
    return out;
}

void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (levels_.empty()) return;
    Level& level = levels_.back();
    out_ << (level.members > 0 ? ",\n" : "\n") << std::string(levels_.size() * 2, ' ');
    ++level.members;
}

void JsonWriter::open(char bracket) {
    beforeValue();
    out_ << bracket;
    levels_.push_back({bracket == '{', 0});
}

void JsonWriter::close(char bracket) {
    const bool hadMembers = levels_.back().members > 0;
    levels_.pop_back();
    if (hadMembers) out_ << '\n' << std::string(levels_.size() * 2, ' ');
    out_ << bracket;
}

void JsonWriter::beginObject() {
    open('{');
}
void JsonWriter::endObject() {
    close('}');
}
void JsonWriter::beginArray() {
    open('[');
}
void JsonWriter::endArray() {
    close(']');
}

void JsonWriter::key(std::string_view name) {
    beforeValue();
    out_ << jsonQuoted(name) << ": ";
    afterKey_ = true;
}

void JsonWriter::string(std::string_view text) {
    beforeValue();
    out_ << jsonQuoted(text);
}

void JsonWriter::number(std::int64_t value) {
    beforeValue();
    out_ << value;
}

void JsonWriter::boolean(bool flag) {
    beforeValue();
    out_ << (flag ? "true" : "false");
}

void JsonWriter::null() {
    beforeValue();
    out_ << "null";
}

void JsonWriter::stringMember(std::string_view name, std::string_view text) {
    key(name);
    string(text);
}

void JsonWriter::numberMember(std::string_view name, std::int64_t value) {
    key(name);
    number(value);
}

void JsonWriter::finish() {
    out_ << '\n';
}
