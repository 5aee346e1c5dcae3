#pragma once
// One browser's WebSocket: its messages become the station's input and
// requests, and it is sent the desk list, the session, banners and the
// screen. The screen travels as changed rows against what this browser was
// sent last, with at most two updates unacknowledged: a slow browser skips
// frames and gets the latest one, never a growing queue.
//
// A malformed message, a text message, a too long one or too many of them
// close this browser's socket with a reason, and so does a backlog of what
// it was sent (texts need no acknowledgement); the others are not touched.
//
// Threads: GUI thread.

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "input/remote_input.h"
#include "web/browser_messages.h"
#include "web/handheld_buttons.h"
#include "web/message_budget.h"

class QWebSocket;
class WebStation;

class BrowserLink : public QObject {
    Q_OBJECT
  public:
    // Screen updates unacknowledged at most.
    static constexpr uint32_t kScreensInFlight = 2;
    // Messages a browser may send: per second, and at once.
    static constexpr uint32_t kMessagesPerSecond = 200;
    static constexpr uint32_t kMessageBurst = 400;
    // Bytes waiting to go out to the browser, at most; a browser that stops
    // reading is let go beyond it.
    static constexpr qint64 kMaxBacklogBytes = 1 << 20;

    // screen: the gateway's latest frame (240 x 268) and its number; both
    // outlive the link.
    BrowserLink(QWebSocket* socket, WebStation& station, const std::vector<uint16_t>& screen,
                const uint64_t& screenNumber, QObject* parent = nullptr);
    ~BrowserLink() override;

    void SendText(const QString& message);
    // The latest frame changed: sends what this browser lacks, if it may.
    void OfferScreen();
    // The session changed: presses in progress belong to the old one.
    void ForgetPresses();
    // Closes the socket with the WebSocket close code and reason.
    void Close(int code, const QString& reason);
    bool Closing() const { return closing_; }

  signals:
    // The socket is gone; the owner deletes the link later.
    void Closed(BrowserLink* link);

  private:
    void Received(const QByteArray& bytes);
    void Dispatch(const BrowserMessage& message);
    void Acknowledged(uint32_t sequence);
    void SendScreen();
    void Ended();

    QWebSocket* socket_;  // owned, deleted with the link
    WebStation& station_;
    const std::vector<uint16_t>& screen_;
    const uint64_t& screenNumber_;
    uint64_t sentNumber_ = 0;  // the latest frame's number when it was last looked at
    RemoteInput input_;
    HandheldButtons buttons_;
    MessageBudget budget_{kMessagesPerSecond, kMessageBurst};
    std::vector<uint16_t> sent_;  // the frame this browser shows once all is drawn
    uint32_t sentSequence_ = 0;
    uint32_t ackedSequence_ = 0;
    bool wantWhole_ = true;
    bool closing_ = false;
    bool ended_ = false;
};
