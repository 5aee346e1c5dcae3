#include "chat/chat_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "chat/chat_service.h"
#include "frame/artwork.h"
#include "frame/command_bar.h"
#include "input/command_ids.h"
#include "platform/desk_text.h"
#include "session/client_connection.h"

namespace {

// 140 by 182 dialog units of the handheld's dialog font.
constexpr QSize kDialogSize(210, 296);
const char kChatStrip[] = "chatbar";

// Send, Clear History, Help, six places without a function, Keyboard.
const std::vector<BarItem>& ChatBarItems() {
    static const std::vector<BarItem> items = {
        {kCmdSendMessage, 0}, {kCmdClearHistory, 1}, {kCmdChatHelp, 2}, {kCmdSpare1, 3},
        {kCmdPrevious, 4},    {kCmdNext, 5},         {kCmdSpare4, 6},   {kCmdSpare5, 7},
        {kCmdSpare6, 8},      {kCmdKeyboard, 9},
    };
    return items;
}

QStringList ChatBarTooltips() {
    return {QStringLiteral("Send Message"),
            QStringLiteral("Clear History"),
            QStringLiteral("Help"),
            QString(),
            QString(),
            QString(),
            QString(),
            QString(),
            QString(),
            QStringLiteral("Keyboard")};
}

}  // namespace

CChatDlg::CChatDlg(QWidget* parent, ChatService& chat, ClientConnection& client)
    : QDialog(parent), chat_(chat), client_(client) {
    EnsureArtwork();
    setObjectName(QStringLiteral("chatDialog"));
    setWindowTitle(QStringLiteral("Chat"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 0);
    layout->setSpacing(4);
    layout->addWidget(new QLabel(QStringLiteral("New Message:"), this));
    newMessage_ = new QPlainTextEdit(this);
    newMessage_->setObjectName(QStringLiteral("newMessage"));
    newMessage_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(newMessage_, 2);
    layout->addWidget(new QLabel(QStringLiteral("Chat History:"), this));
    history_ = new QPlainTextEdit(this);
    history_->setObjectName(QStringLiteral("chatHistory"));
    history_->setReadOnly(true);
    history_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(history_, 3);

    auto* buttons = new QHBoxLayout();
    buttons->addWidget(AddButton(QStringLiteral("Send"), kCmdSendMessage));
    buttons->addWidget(AddButton(QStringLiteral("Clear History"), kCmdClearHistory));
    buttons->addWidget(AddButton(QStringLiteral("Help"), kCmdChatHelp));
    layout->addLayout(buttons);
    CreateCommandBar();
    layout->addWidget(bar_);
    resize(kDialogSize);
    OnInitDialog();
}

QPushButton* CChatDlg::AddButton(const QString& text, int command) {
    auto* button = new QPushButton(text, this);
    // Enter belongs to the New Message field, never to a default button.
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, command] { OnCommand(command); });
    return button;
}

void CChatDlg::CreateCommandBar() {
    bar_ = new MyCCeCommandBar(this);
    bar_->Create(this);
    bar_->LoadToolBar(ChatBarItems(), QString::fromLatin1(kChatStrip));
    connect(bar_, &MyCCeCommandBar::Command, this, &CChatDlg::OnCommand);
}

void CChatDlg::OnInitDialog() {
    connect(newMessage_, &QPlainTextEdit::textChanged, this, &CChatDlg::OnNewMessageChanged);
    newMessage_->setPlainText(QString::fromStdString(chat_.PendingText()));
    newMessage_->moveCursor(QTextCursor::End);
    RefreshHistory();
    if (chat_.History().Empty())
        bar_->EnableButton(kCmdClearHistory, false);
    if (chat_.PendingText().empty())
        bar_->EnableButton(kCmdSendMessage, false);
    for (int command : kSpareBarCommands)
        bar_->EnableButton(command, false);
    newMessage_->setFocus();
    bar_->SetTooltips(ChatBarTooltips());
}

void CChatDlg::OnCommand(int command) {
    switch (command) {
        case kCmdSendMessage:
            Send();
            break;
        case kCmdClearHistory:
            ClearHistory();
            break;
        case kCmdChatHelp: {
            CChatHelp help(this);
            help.exec();
            break;
        }
        default:
            break;
    }
}

// The history holds whole messages: a header line, then the text. Header
// lines stay one line whatever the sender's name holds.
void CChatDlg::RefreshHistory() {
    QString text;
    const std::vector<std::string> strings = chat_.History().Strings();
    for (size_t i = 0; i < strings.size(); ++i) {
        const bool isText = i % 2 == 1;
        text += QString::fromStdString(DisplaySafe(strings[i], isText));
        text += QLatin1Char('\n');
    }
    history_->setPlainText(text);
    bar_->EnableButton(kCmdClearHistory, true);
    history_->moveCursor(QTextCursor::End);
    history_->ensureCursorVisible();
    // The caret sits on the empty line after the last message; show it
    // at the very bottom.
    history_->verticalScrollBar()->setValue(history_->verticalScrollBar()->maximum());
    history_->viewport()->update();
    newMessage_->setFocus();
}

// Over-long input is cut where it was typed or pasted, as a limited edit
// field refuses what does not fit.
void CChatDlg::OnNewMessageChanged() {
    QString text = newMessage_->toPlainText();
    if (text.size() > kMaxNewMessage) {
        const int excess = static_cast<int>(text.size()) - kMaxNewMessage;
        QTextCursor cursor = newMessage_->textCursor();
        const int end = std::max(cursor.position(), excess);
        cursor.setPosition(end - excess);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();  // runs this handler again, within the limit
        return;
    }
    chat_.SetPendingText(text.toStdString());
    bar_->EnableButton(kCmdSendMessage, !text.isEmpty());
}

void CChatDlg::Send() {
    if (client_.IsConnected(1) == 0)
        return;  // "No connection to host!"; the text stays
    const QString text = newMessage_->toPlainText();
    if (!text.isEmpty()) {
        chat_.SendChatMessage(WithLineFeeds(text.toStdString()));
        newMessage_->clear();
        chat_.SetPendingText({});
    }
    newMessage_->setFocus();
    bar_->EnableButton(kCmdSendMessage, false);
}

void CChatDlg::ClearHistory() {
    chat_.History().Clear();
    history_->clear();
    history_->viewport()->update();
    bar_->EnableButton(kCmdClearHistory, false);
    newMessage_->setFocus();
}
