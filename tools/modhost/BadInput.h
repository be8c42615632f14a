#pragma once

#include <stdexcept>
#include <string>

// Input that modhost cannot work with: a file that is not a plug-in, an
// unknown pin, a value that fits no pin, a malformed command line. The
// message is one line naming the problem; the front end prints it and exits
// with code 2.
class BadInput : public std::runtime_error {
public:
    explicit BadInput(const std::string& message) : std::runtime_error(message) {}
};
