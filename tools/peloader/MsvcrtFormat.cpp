#include "MsvcrtFormat.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "Utf16.h"

namespace pe::msvcrt {
namespace {

// A width or precision past this is clamped: the output stays bounded.
constexpr int kMaxField = 65535;

enum class Size { Default, Char, Short, Long, LongLong, Wide };

struct Spec {
    std::string flags;   // any of "-+ #0"
    int width = -1;      // -1: none
    int precision = -1;  // -1: none
    Size size = Size::Default;
    char conversion = 0;  // the conversion character; 0 at the end of the format
};

template <typename Unit>
class Formatter {
public:
    Formatter(const Unit* format, va_list args) : at_(format) { va_copy(args_, args); }
    ~Formatter() { va_end(args_); }
    Formatter(const Formatter&) = delete;
    Formatter& operator=(const Formatter&) = delete;

    std::string run() {
        while (*at_ != 0) {
            if (*at_ != '%') {
                copyLiteral();
                continue;
            }
            const Unit* specStart = at_++;
            const Spec spec = parseSpec();
            if (!convert(spec)) copyRaw(specStart, at_);
        }
        return std::move(out_);
    }

private:
    static constexpr bool kWideFormat = sizeof(Unit) == 2;

    void copyLiteral() {
        const Unit* start = at_;
        while (*at_ != 0 && *at_ != '%') ++at_;
        copyRaw(start, at_);
    }

    void copyRaw(const Unit* from, const Unit* to) {
        if constexpr (kWideFormat) {
            out_ += utf16::toUtf8(std::u16string_view(from, static_cast<std::size_t>(to - from)));
        } else {
            out_.append(from, to);
        }
    }

    int number() {
        int value = 0;
        while (*at_ >= '0' && *at_ <= '9') {
            value = std::min(value * 10 + (*at_++ - '0'), kMaxField);
        }
        return value;
    }

    int starArgument(Spec& spec, bool isWidth) {
        ++at_;
        const int value = va_arg(args_, int);
        if (value >= 0) return std::min(value, kMaxField);
        if (isWidth) {
            spec.flags += '-';
            return value == INT32_MIN ? kMaxField : std::min(-value, kMaxField);
        }
        return -1;
    }

    bool accept(char unit) {
        if (*at_ != static_cast<Unit>(unit)) return false;
        ++at_;
        return true;
    }

    Spec parseSpec() {
        Spec spec;
        while (*at_ > 0 && *at_ < 0x80 &&
               std::strchr("-+ #0", static_cast<char>(*at_)) != nullptr) {
            spec.flags += static_cast<char>(*at_++);
        }
        spec.width = *at_ == '*'                    ? starArgument(spec, true)
                     : (*at_ >= '0' && *at_ <= '9') ? number()
                                                    : -1;
        if (accept('.')) spec.precision = *at_ == '*' ? starArgument(spec, false) : number();
        spec.size = parseSize();
        if (*at_ > 0 && *at_ < 0x80) spec.conversion = static_cast<char>(*at_++);
        return spec;
    }

    Size parseSize() {
        if (accept('h')) return accept('h') ? Size::Char : Size::Short;
        if (accept('l')) return accept('l') ? Size::LongLong : Size::Long;
        if (accept('w')) return Size::Wide;
        if (accept('L')) return Size::Default;  // long double is double
        if (accept('j')) return Size::LongLong;
        if (accept('z') || accept('t')) return Size::Default;
        if (accept('I')) {
            if (accept('6')) return accept('4') ? Size::LongLong : Size::Default;
            if (accept('3')) accept('2');
            return Size::Default;
        }
        return Size::Default;
    }

    // Whether %s or %c of this spec takes 16-bit text.
    bool takesWideText(const Spec& spec) const {
        const bool upper = spec.conversion == 'S' || spec.conversion == 'C';
        if (spec.size == Size::Long || spec.size == Size::Wide) return true;
        if (spec.size == Size::Short) return false;
        return kWideFormat ? !upper : upper;
    }

    bool convert(const Spec& spec) {
        switch (spec.conversion) {
            case '%':
                out_ += '%';
                return true;
            case 'd':
            case 'i':
                signedInteger(spec);
                return true;
            case 'u':
            case 'o':
            case 'x':
            case 'X':
                unsignedInteger(spec);
                return true;
            case 'e':
            case 'E':
            case 'f':
            case 'F':
            case 'g':
            case 'G':
            case 'a':
            case 'A':
                printfNumber(spec, "", va_arg(args_, double));
                return true;
            case 'c':
            case 'C':
                character(spec);
                return true;
            case 's':
            case 'S':
                text(spec);
                return true;
            case 'p':
                pointer(spec);
                return true;
            case 'n':
                (void)va_arg(args_, void*);
                return true;
            default:
                return false;
        }
    }

    void signedInteger(const Spec& spec) {
        long long value =
            spec.size == Size::LongLong ? va_arg(args_, long long) : va_arg(args_, int);
        if (spec.size == Size::Short) value = static_cast<short>(value);
        if (spec.size == Size::Char) value = static_cast<signed char>(value);
        printfNumber(spec, "ll", value);
    }

    void unsignedInteger(const Spec& spec) {
        unsigned long long value = spec.size == Size::LongLong ? va_arg(args_, unsigned long long)
                                                               : va_arg(args_, unsigned int);
        if (spec.size == Size::Short) value = static_cast<unsigned short>(value);
        if (spec.size == Size::Char) value = static_cast<unsigned char>(value);
        printfNumber(spec, "ll", value);
    }

    void pointer(const Spec& spec) {
        const auto value = reinterpret_cast<std::uintptr_t>(va_arg(args_, void*));
        Spec hexSpec = spec;
        hexSpec.conversion = 'X';
        if (hexSpec.precision < 0) hexSpec.precision = 8;
        printfNumber(hexSpec, "ll", static_cast<unsigned long long>(value));
    }

    // Numbers go through the host's snprintf, whose conversions agree with
    // msvcrt's once the size prefix is the host's.
    template <typename Value>
    void printfNumber(const Spec& spec, const char* sizePrefix, Value value) {
        std::string format = "%" + spec.flags;
        if (spec.width >= 0) format += std::to_string(spec.width);
        if (spec.precision >= 0) format += "." + std::to_string(spec.precision);
        format += sizePrefix;
        format += spec.conversion;
        const int length = std::snprintf(nullptr, 0, format.c_str(), value);
        if (length <= 0) return;
        std::string formatted(static_cast<std::size_t>(length) + 1, '\0');
        std::snprintf(formatted.data(), formatted.size(), format.c_str(), value);
        formatted.pop_back();
        out_ += formatted;
    }

    void character(const Spec& spec) {
        const int value = va_arg(args_, int);
        std::string converted;
        if (takesWideText(spec)) {
            utf16::appendUtf8(converted, static_cast<char16_t>(value));
        } else {
            converted += static_cast<char>(value);
        }
        pad(spec, converted);
    }

    void text(const Spec& spec) {
        const void* argument = va_arg(args_, const void*);
        std::string converted;
        if (argument == nullptr) {
            converted = "(null)";
        } else if (takesWideText(spec)) {
            const auto* wide = static_cast<const char16_t*>(argument);
            std::size_t length = 0;
            while ((spec.precision < 0 || length < static_cast<std::size_t>(spec.precision)) &&
                   wide[length] != 0) {
                ++length;
            }
            converted = utf16::toUtf8(std::u16string_view(wide, length));
        } else {
            const auto* narrow = static_cast<const char*>(argument);
            converted =
                spec.precision < 0
                    ? std::string(narrow)
                    : std::string(narrow,
                                  strnlen(narrow, static_cast<std::size_t>(spec.precision)));
        }
        pad(spec, converted);
    }

    // Pads to the width in characters, left-justified with the '-' flag.
    void pad(const Spec& spec, const std::string& converted) {
        std::size_t characters = 0;
        for (char byte : converted) characters += (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
        const std::size_t width = spec.width < 0 ? 0 : static_cast<std::size_t>(spec.width);
        const std::string padding(width > characters ? width - characters : 0, ' ');
        const bool left = spec.flags.find('-') != std::string::npos;
        out_ += left ? converted + padding : padding + converted;
    }

    const Unit* at_;
    va_list args_;
    std::string out_;
};

}  // namespace

std::string formatNarrow(const char* format, va_list args) {
    return Formatter<char>(format, args).run();
}

std::string formatWide(const char16_t* format, va_list args) {
    return Formatter<char16_t>(format, args).run();
}

}  // namespace pe::msvcrt
