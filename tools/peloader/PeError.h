#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace pe {

// Why an image cannot be loaded: one line that names the problem, fit to be
// printed after the file name.
class PeError : public std::runtime_error {
public:
    explicit PeError(const std::string& message) : std::runtime_error(message) {}
};

// "0x1f4": offsets, addresses and sizes in messages.
std::string hex(std::uint64_t value);

}  // namespace pe
