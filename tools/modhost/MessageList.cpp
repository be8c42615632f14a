#include "MessageList.h"

#include <algorithm>

void MessageList::add(const std::string& message) {
    const auto found = std::find_if(messages_.begin(), messages_.end(),
                                    [&](const auto& entry) { return entry.first == message; });
    if (found != messages_.end()) {
        ++found->second;
    } else if (messages_.size() < limit_) {
        messages_.emplace_back(message, 1);
    } else {
        overflowed_ = true;
    }
}

void MessageList::clear() {
    messages_.clear();
    overflowed_ = false;
}

std::vector<std::string> MessageList::lines() const {
    std::vector<std::string> lines;
    for (const auto& [message, times] : messages_) {
        lines.push_back(times == 1 ? message : message + " (" + std::to_string(times) + " times)");
    }
    if (overflowed_) lines.emplace_back("further problems are not listed");
    return lines;
}
