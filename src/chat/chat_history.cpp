#include "chat/chat_history.h"

void ChatHistory::Append(std::string header, std::string text) {
    std::lock_guard lock(mutex_);
    strings_.push_back(std::move(header));
    strings_.push_back(std::move(text));
    while (strings_.size() > kMaxStrings)
        strings_.pop_front();
}

std::vector<std::string> ChatHistory::Strings() const {
    std::lock_guard lock(mutex_);
    return {strings_.begin(), strings_.end()};
}

void ChatHistory::Clear() {
    std::lock_guard lock(mutex_);
    strings_.clear();
}

bool ChatHistory::Empty() const {
    std::lock_guard lock(mutex_);
    return strings_.empty();
}
