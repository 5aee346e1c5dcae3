#pragma once
// The one recorder of message boxes and sounds for tests. Installs itself as
// the message-box and sound handler for its lifetime; boxes may come from
// any thread.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "event_log.h"
#include "platform/message_box.h"

class RecordedDialogs {
  public:
    RecordedDialogs();
    ~RecordedDialogs();
    RecordedDialogs(const RecordedDialogs&) = delete;
    RecordedDialogs& operator=(const RecordedDialogs&) = delete;

    // Boxes as "caption|text|type"; sounds as "beep N".
    EventLog boxes;
    EventLog sounds;
    // The answer to Yes/No questions; other boxes are answered with OK.
    std::atomic<int> answer{IDNO};
    // When set (before the boxes come), answers every box instead.
    std::function<int(const MessageBoxRequest&)> answerWith;

    std::vector<MessageBoxRequest> Requests() const;
    bool SawText(const std::string& text) const;
    std::vector<unsigned> Beeps() const;

  private:
    mutable std::mutex mutex_;
    std::vector<MessageBoxRequest> requests_;
    std::vector<unsigned> beeps_;
};
