#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// Problems found while driving a plug-in, each kept once with the number of
// times it came up, and at most `limit` of them: a module that breaks the
// interface in a loop gives a short report, not thousands of lines.
class MessageList {
public:
    explicit MessageList(std::size_t limit) : limit_(limit) {}

    void add(const std::string& message);
    bool empty() const { return messages_.empty(); }
    void clear();
    // One line a message, "(N times)" after a repeated one, and a last line
    // when some did not fit.
    std::vector<std::string> lines() const;

private:
    std::size_t limit_;
    std::vector<std::pair<std::string, int>> messages_;  // message, times seen
    bool overflowed_ = false;
};
