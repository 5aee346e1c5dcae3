#include "web/browser_link.h"

#include <QTimer>
#include <QWebSocket>
#include <array>
#include <chrono>

#include "display/screen_format.h"
#include "input/command_ids.h"
#include "web/screen_messages.h"
#include "web/web_station.h"

namespace {

// A closing browser that does not answer the close handshake is cut off
// after this.
constexpr int kCloseGraceMs = 5000;
constexpr int kCloseProtocolError = 1002;
constexpr int kCloseUnsupportedData = 1003;
constexpr int kClosePolicyViolation = 1008;

struct NamedKeyStroke {
    int qtKey;
    const char* text;  // what the keyboard types with it
};

// As a desktop keyboard reports these keys, so they reach the desk exactly
// as the window program sends them.
constexpr std::array<NamedKeyStroke, 9> kNamedKeys = {{
    {Qt::Key_Backspace, "\b"},
    {Qt::Key_Return, "\r"},
    {Qt::Key_Tab, "\t"},
    {Qt::Key_Escape, "\x1b"},
    {Qt::Key_Left, ""},
    {Qt::Key_Up, ""},
    {Qt::Key_Right, ""},
    {Qt::Key_Down, ""},
    {Qt::Key_Delete, "\x7f"},
}};

KeyStroke NamedStroke(uint16_t key) {
    const NamedKeyStroke& named = kNamedKeys[static_cast<size_t>(key - 1)];
    KeyStroke stroke;
    stroke.qtKey = named.qtKey;
    stroke.text = QString::fromLatin1(named.text);
    return stroke;
}

// Qt numbers a letter key by its upper-case letter, other keys by their
// character.
KeyStroke CharacterStroke(uint16_t unit) {
    const QChar character(unit);
    KeyStroke stroke;
    stroke.qtKey = character.isLetter() ? character.toUpper().unicode() : unit;
    stroke.text = QString(character);
    return stroke;
}

uint64_t NowMs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

}  // namespace

BrowserLink::BrowserLink(QWebSocket* socket, WebStation& station,
                         const std::vector<uint16_t>& screen, const uint64_t& screenNumber,
                         QObject* parent)
    : QObject(parent),
      socket_(socket),
      station_(station),
      screen_(screen),
      screenNumber_(screenNumber),
      input_(station.Input(), station.State()),
      buttons_(station.Input(), station.State()),
      sent_(kRemotePixels, 0) {
    socket_->setParent(this);
    socket_->setMaxAllowedIncomingFrameSize(kMaxBrowserMessage);
    socket_->setMaxAllowedIncomingMessageSize(kMaxBrowserMessage);
    connect(socket_, &QWebSocket::binaryMessageReceived, this, &BrowserLink::Received);
    connect(socket_, &QWebSocket::textMessageReceived, this, [this] {
        Close(kCloseUnsupportedData, QStringLiteral("Text messages are not accepted."));
    });
    connect(socket_, &QWebSocket::disconnected, this, &BrowserLink::Ended);
}

BrowserLink::~BrowserLink() {
    socket_->disconnect(this);
}

void BrowserLink::SendText(const QString& message) {
    if (closing_)
        return;
    if (socket_->bytesToWrite() > kMaxBacklogBytes) {
        Close(kClosePolicyViolation, QStringLiteral("The browser does not keep up."));
        return;
    }
    socket_->sendTextMessage(message);
}

void BrowserLink::Close(int code, const QString& reason) {
    if (closing_)
        return;
    closing_ = true;
    socket_->close(static_cast<QWebSocketProtocol::CloseCode>(code), reason);
    QTimer::singleShot(kCloseGraceMs, this, [this] {
        socket_->abort();
        Ended();
    });
}

void BrowserLink::Ended() {
    if (ended_)
        return;
    ended_ = closing_ = true;
    input_.ForgetPresses();
    emit Closed(this);
}

void BrowserLink::ForgetPresses() {
    input_.ForgetPresses();
    buttons_.ForgetPresses();
}

void BrowserLink::Received(const QByteArray& bytes) {
    if (closing_)
        return;
    if (!budget_.Take(NowMs())) {
        Close(kClosePolicyViolation, QStringLiteral("Too many messages."));
        return;
    }
    const BrowserParse parse = ParseBrowserMessage(bytes);
    if (!parse.message) {
        Close(kCloseProtocolError,
              QStringLiteral("Malformed message: %1.").arg(QString::fromLatin1(parse.problem)));
        return;
    }
    Dispatch(*parse.message);
}

void BrowserLink::Dispatch(const BrowserMessage& m) {
    using Kind = BrowserMessageKind;
    switch (m.kind) {
        case Kind::Pointer:
            if (m.action == static_cast<uint8_t>(PointerAction::Press))
                input_.PointerPressed(m.x, m.y);
            else if (m.action == static_cast<uint8_t>(PointerAction::Release))
                input_.PointerReleased(m.x, m.y);
            else
                input_.PointerMoved(m.x, m.y);
            break;
        case Kind::Character:
        case Kind::Key: {
            const KeyStroke stroke =
                m.kind == Kind::Key ? NamedStroke(m.code) : CharacterStroke(m.code);
            input_.KeyPressed(stroke);
            input_.KeyReleased(stroke);
            break;
        }
        case Kind::Button:
            if (m.action == static_cast<uint8_t>(ButtonAction::Press))
                buttons_.Pressed(m.code);
            else
                buttons_.Released(m.code);
            break;
        case Kind::EncoderStep:
            buttons_.Step(m.code);
            break;
        case Kind::Refresh:
            input_.RunCommand(kCmdRefresh);
            break;
        case Kind::Connect:
            station_.ConnectTo(m.value);
            break;
        case Kind::Disconnect:
            station_.DisconnectDesk();
            break;
        case Kind::CancelConnect:
            station_.CancelConnect();
            break;
        case Kind::StopWaiting:
            station_.StopWaiting();
            break;
        case Kind::ScreenAck:
            Acknowledged(m.value);
            break;
        case Kind::FullScreen:
            wantWhole_ = true;
            SendScreen();
            break;
    }
}

void BrowserLink::Acknowledged(uint32_t sequence) {
    // Sequence numbers wrap; an acknowledgement must name an update sent and
    // not yet acknowledged.
    const uint32_t ahead = sequence - ackedSequence_;
    if (ahead == 0 || ahead > sentSequence_ - ackedSequence_) {
        Close(kCloseProtocolError, QStringLiteral("Malformed message: unknown screen update."));
        return;
    }
    ackedSequence_ = sequence;
    SendScreen();
}

void BrowserLink::OfferScreen() {
    SendScreen();
}

void BrowserLink::SendScreen() {
    if (closing_ || sentSequence_ - ackedSequence_ >= kScreensInFlight)
        return;
    QByteArray message;
    if (wantWhole_) {
        message = EncodeWholeScreen(sentSequence_ + 1, screen_.data());
    } else {
        if (sentNumber_ == screenNumber_)
            return;  // nothing new since this browser was sent the latest
        sentNumber_ = screenNumber_;
        const std::vector<RowRange> ranges = ChangedRows(sent_.data(), screen_.data());
        if (ranges.empty())
            return;
        message = EncodeScreenUpdate(sentSequence_ + 1, false, ranges, screen_.data());
    }
    wantWhole_ = false;
    sentNumber_ = screenNumber_;
    ++sentSequence_;
    sent_ = screen_;
    socket_->sendBinaryMessage(message);
}
