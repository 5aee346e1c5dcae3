#pragma once
// The chat dialog: the history of the messages taken, and the New Message
// field whose text is sent to the desk of the session. A message appears in
// the history only when it has come back from the network. Every text is
// shown as plain text: names and messages from other stations are never
// interpreted. Keys typed here stay in the dialog. GUI thread only.

#include <QDialog>

class ChatService;
class ClientConnection;
class MyCCeCommandBar;
class QPlainTextEdit;
class QPushButton;

class CChatDlg : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kMaxNewMessage = 934;

    // chat: history, unsent text and sending; client: asked for an open
    // session before a send. Both outlive the dialog.
    CChatDlg(QWidget* parent, ChatService& chat, ClientConnection& client);

    // Shows the whole history and scrolls to its end.
    void RefreshHistory();
    // Send, Clear History, Help (from the buttons or the command bar).
    void OnCommand(int command);

    QPlainTextEdit& NewMessage() const { return *newMessage_; }
    QPlainTextEdit& HistoryView() const { return *history_; }
    MyCCeCommandBar& CommandBar() const { return *bar_; }

  private:
    void OnInitDialog();
    void CreateCommandBar();
    QPushButton* AddButton(const QString& text, int command);
    void OnNewMessageChanged();
    void Send();
    void ClearHistory();

    ChatService& chat_;
    ClientConnection& client_;
    QPlainTextEdit* newMessage_ = nullptr;
    QPlainTextEdit* history_ = nullptr;
    MyCCeCommandBar* bar_ = nullptr;
};

// "Chat Help": what Send and Clear History do.
class CChatHelp : public QDialog {
    Q_OBJECT
  public:
    explicit CChatHelp(QWidget* parent);
};
