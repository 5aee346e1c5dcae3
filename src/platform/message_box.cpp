#include "platform/message_box.h"

#include <cstdio>
#include <mutex>

#include "platform/desk_text.h"

namespace {

std::mutex g_mutex;
MessageBoxHandler g_handler;
std::function<void()> g_closer;

int DefaultAnswer(const MessageBoxRequest& box) {
    const std::string text = box.fromDesk ? TerminalSafe(box.text) : box.text;
    std::fprintf(stderr, "%s: %s\n", box.caption.c_str(), text.c_str());
    switch (box.type & MB_BUTTONMASK) {
        case MB_OKCANCEL:
            return IDCANCEL;
        case MB_YESNO:
            return IDNO;
        default:
            return IDOK;
    }
}

}  // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard lock(g_mutex);
    g_handler = std::move(handler);
}

void SetMessageBoxCloser(std::function<void()> closer) {
    std::lock_guard lock(g_mutex);
    g_closer = std::move(closer);
}

void CloseMessageBoxes() {
    std::function<void()> closer;
    {
        std::lock_guard lock(g_mutex);
        closer = g_closer;
    }
    if (closer)
        closer();
}

int ShowMessageBox(const MessageBoxRequest& box) {
    MessageBoxHandler handler;
    {
        std::lock_guard lock(g_mutex);
        handler = g_handler;
    }
    return handler ? handler(box) : DefaultAnswer(box);
}

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned type) {
    return ShowMessageBox({text, caption, type, false, 0});
}

int ShowDeskTextBox(const std::string& text, const std::string& caption, unsigned type) {
    return ShowMessageBox({text, caption, type, true, 0});
}
