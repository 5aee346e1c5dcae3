#pragma once
// The gateway's listening socket. Every new connection's first request head
// is looked at (without consuming it) before anything else sees it: a
// request without the token is refused whatever it asks for, WebSockets are
// admitted only from the page's own origin, everything else goes to the HTTP
// server (which checks the token of each request again). Refusals are
// answered with a plain HTTP status and the connection is closed.
//
// Threads: GUI thread.

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QTcpServer>

class QTcpSocket;

class FrontDoor : public QObject {
    Q_OBJECT
  public:
    // Connections whose head has not arrived yet, at most; more are reset.
    static constexpr int kMaxWaiting = 32;
    // A head must arrive within this time.
    static constexpr int kHeadTimeoutMs = 10000;

    explicit FrontDoor(QByteArray token, QObject* parent = nullptr);
    ~FrontDoor() override;

    bool Listen(const QHostAddress& address, quint16 port, QString* problem);
    quint16 Port() const { return listener_.serverPort(); }

  signals:
    // The socket with its head still unread; the receiver takes it over.
    void HttpRequest(QTcpSocket* socket);
    void WebSocketRequest(QTcpSocket* socket);

  private:
    void Accept();
    void Look(QTcpSocket* socket);
    void Answer(QTcpSocket* socket, int status, const char* reason);
    void Release(QTcpSocket* socket);

    QByteArray token_;
    QTcpServer listener_;
    QSet<QTcpSocket*> waiting_;  // head not looked at yet
};
