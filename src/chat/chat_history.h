#pragma once
// The chat history: the header lines and texts of the messages taken, oldest
// first, at most 50 strings (25 messages). It lives for the whole run and is
// emptied only by the operator.
//
// Threading: every method takes the history's lock, so the chat receiver
// (appending) and the GUI thread (reading, clearing) never overlap.

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

class ChatHistory {
  public:
    static constexpr size_t kMaxStrings = 50;

    // Appends the header line, then the text, then drops the oldest strings
    // one at a time while more than kMaxStrings remain.
    void Append(std::string header, std::string text);
    // A copy of all strings, oldest first.
    std::vector<std::string> Strings() const;
    void Clear();
    bool Empty() const;

  private:
    mutable std::mutex mutex_;
    std::deque<std::string> strings_;
};
