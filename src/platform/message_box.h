#pragma once
// Message boxes from core code. Core code asks; the front end that is
// attached (the window, the command-line tool, a test) answers. The handler
// may be called from any thread and blocks the caller until answered.

#include <functional>
#include <string>

enum MessageBoxType : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_BUTTONMASK = 0xF,
    MB_ICONMASK = 0xF0,
};

enum DialogResult : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

struct MessageBoxRequest {
    std::string text;
    std::string caption;
    unsigned type = MB_OK;
    // The text came from a desk (UTF-8, any character): whoever shows it
    // makes its control characters visible instead of letting them act.
    bool fromDesk = false;
    // The Winsock error number the text reports (0: none), for a front end
    // that words it its own way.
    int error = 0;
};

using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

// Installs the handler (an empty one restores the default, which writes the
// box to standard error, a desk's text with its control characters as '?',
// and answers OK, Cancel or No).
void SetMessageBoxHandler(MessageBoxHandler handler);

// The program is ending: the front end answers every box asked for from
// now on, and those still waiting, with the cautious default at once (the
// closer it installed does that). Without a closer nothing happens.
void SetMessageBoxCloser(std::function<void()> closer);
void CloseMessageBoxes();

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned type);
int ShowMessageBox(const MessageBoxRequest& box);
// The same for a text a desk supplied, already decoded to UTF-8.
int ShowDeskTextBox(const std::string& text, const std::string& caption, unsigned type);
