#include "recorded_dialogs.h"

#include <algorithm>

#include "platform/beep.h"

RecordedDialogs::RecordedDialogs() {
    SetMessageBoxHandler([this](const MessageBoxRequest& box) {
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(box);
        }
        boxes.Add(box.caption + "|" + box.text + "|" + std::to_string(box.type));
        if (answerWith)
            return answerWith(box);
        return (box.type & MB_BUTTONMASK) == MB_YESNO ? answer.load() : IDOK;
    });
    SetBeepHandler([this](unsigned type) {
        {
            std::lock_guard lock(mutex_);
            beeps_.push_back(type);
        }
        sounds.Add("beep " + std::to_string(type));
    });
}

RecordedDialogs::~RecordedDialogs() {
    SetMessageBoxHandler(nullptr);
    SetBeepHandler(nullptr);
}

std::vector<MessageBoxRequest> RecordedDialogs::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool RecordedDialogs::SawText(const std::string& text) const {
    std::lock_guard lock(mutex_);
    return std::any_of(requests_.begin(), requests_.end(),
                       [&](const MessageBoxRequest& box) { return box.text == text; });
}

std::vector<unsigned> RecordedDialogs::Beeps() const {
    std::lock_guard lock(mutex_);
    return beeps_;
}
