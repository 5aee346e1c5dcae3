#pragma once
// How the connect path tells about a failure: a box for the operator, or,
// for the silent reconnect that is retried while the lost-connection dialog
// waits, a text the caller shows its own way. Private to the session.

#include <cstdint>
#include <string>

#include "platform/desk_text.h"
#include "platform/message_box.h"

class ConnectReport {
  public:
    // text null: boxes; otherwise the failures go there, the latest last.
    explicit ConnectReport(std::string* text) : text_(text) {}

    // error: the Winsock error number the message reports, if any.
    void Tell(const std::string& message, const char* caption, int error = 0) const {
        if (text_ != nullptr) {
            *text_ = message;
        } else {
            ShowMessageBox({message, caption, MB_OK, false, error});
        }
    }
    // A text the desk supplied, decoded to UTF-8: shown whole, its control
    // characters made visible.
    void TellDeskText(const std::string& message, const char* caption) const {
        if (text_ != nullptr) {
            *text_ = DisplaySafe(message, true);
        } else {
            ShowDeskTextBox(message, caption, MB_OK);
        }
    }
    // Only for a caller that takes texts; the operator is not asked.
    void Note(const std::string& message) const {
        if (text_ != nullptr)
            *text_ = message;
    }
    // "Could not connect to host %s..." for the Winsock error.
    void TellUnreachable(uint32_t desk, int error) const;

  private:
    std::string* text_;
};

// The texts with the desk's dotted address (and an error number).
std::string WithAddress(const char* format, uint32_t address);
std::string WithAddressAndError(const char* format, uint32_t address, int error);
