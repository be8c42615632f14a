#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "PeError.h"

namespace pe {

// Bounds-checked reads from a file or a mapped image. Every read names what
// it reads, so that a read outside the bytes becomes one clear PeError
// instead of a crash. Offsets are 64-bit so that offset + size never wraps.
class ByteView {
public:
    // `where` names the bytes in messages: "the file", "the image".
    ByteView(std::span<const std::uint8_t> bytes, std::string_view where)
        : bytes_(bytes), where_(where) {}

    std::uint64_t size() const { return bytes_.size(); }
    bool contains(std::uint64_t offset, std::uint64_t length) const {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }

    // Throws unless [offset, offset + length) lies inside the bytes.
    void require(std::uint64_t offset, std::uint64_t length, std::string_view what) const;

    template <typename Record>
    Record record(std::uint64_t offset, std::string_view what) const {
        require(offset, sizeof(Record), what);
        Record value;
        std::memcpy(&value, bytes_.data() + offset, sizeof(Record));
        return value;
    }
    std::uint16_t half(std::uint64_t offset, std::string_view what) const {
        return record<std::uint16_t>(offset, what);
    }
    std::uint32_t word(std::uint64_t offset, std::string_view what) const {
        return record<std::uint32_t>(offset, what);
    }

    // A zero-terminated 8-bit text of at most maxLength characters.
    std::string text(std::uint64_t offset, std::size_t maxLength, std::string_view what) const;

private:
    std::span<const std::uint8_t> bytes_;
    std::string_view where_;
};

}  // namespace pe
