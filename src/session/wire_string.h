#pragma once
// STRING: the length-prefixed text of the desk protocol.
//
//   int32 length (little-endian): -1 = null string, 0 = empty, else count
//   length bytes of 8-bit characters, no terminating zero
//
// A null string and an empty string are different values on the wire.

#include <string>

class STRING {
  public:
    static constexpr int kMaxLength = 512;  // longer frames are refused

    STRING() = default;  // the null string
    STRING(std::string text)
        : null_(false), text_(std::move(text)) {}  // NOLINT: implicit by design

    bool IsNull() const { return null_; }
    const std::string& Text() const { return text_; }
    void SetNull() {
        null_ = true;
        text_.clear();
    }

    bool operator==(const STRING&) const = default;

  private:
    bool null_ = true;
    std::string text_;
};
