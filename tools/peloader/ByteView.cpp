#include "ByteView.h"

namespace pe {

void ByteView::require(std::uint64_t offset, std::uint64_t length, std::string_view what) const {
    if (contains(offset, length)) return;
    throw PeError(std::string(what) + " at " + hex(offset) + " (" + std::to_string(length) +
                  " bytes) lies outside " + std::string(where_) + " (" +
                  std::to_string(bytes_.size()) + " bytes)");
}

std::string ByteView::text(std::uint64_t offset, std::size_t maxLength,
                           std::string_view what) const {
    require(offset, 1, what);
    const std::uint64_t available = bytes_.size() - offset;
    const std::size_t limit =
        available < maxLength + 1 ? static_cast<std::size_t>(available) : maxLength + 1;
    const auto* first = reinterpret_cast<const char*>(bytes_.data() + offset);
    const auto* terminator = static_cast<const char*>(std::memchr(first, 0, limit));
    if (terminator == nullptr) {
        throw PeError(std::string(what) + " at " + hex(offset) +
                      (limit == available
                           ? " runs past the end of " + std::string(where_)
                           : " is longer than " + std::to_string(maxLength) + " characters"));
    }
    return std::string(first, terminator);
}

}  // namespace pe
