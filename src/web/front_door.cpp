#include "web/front_door.h"

#include <QTcpSocket>
#include <QTimer>
#include <utility>

#include "web/request_head.h"

FrontDoor::FrontDoor(QByteArray token, QObject* parent)
    : QObject(parent), token_(std::move(token)) {
    connect(&listener_, &QTcpServer::newConnection, this, &FrontDoor::Accept);
}

FrontDoor::~FrontDoor() {
    // The sockets are the listener's children and would report their end to
    // this door after its list is gone.
    for (QTcpSocket* socket : std::exchange(waiting_, {})) {
        socket->disconnect(this);
        socket->abort();
    }
}

bool FrontDoor::Listen(const QHostAddress& address, quint16 port, QString* problem) {
    if (listener_.listen(address, port))
        return true;
    *problem = listener_.errorString();
    return false;
}

void FrontDoor::Accept() {
    while (QTcpSocket* socket = listener_.nextPendingConnection()) {
        if (waiting_.size() >= kMaxWaiting) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        waiting_.insert(socket);
        auto* timer = new QTimer(socket);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this,
                [this, socket] { Answer(socket, 408, "Request Timeout"); });
        timer->start(kHeadTimeoutMs);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Look(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            Release(socket);
            socket->deleteLater();
        });
    }
}

// Stops watching the socket; it belongs to whoever takes it now.
void FrontDoor::Release(QTcpSocket* socket) {
    if (!waiting_.remove(socket))
        return;
    socket->disconnect(this);
    // The head timer may be the caller: it goes once its signal has returned.
    for (QTimer* timer : socket->findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly)) {
        timer->stop();
        timer->deleteLater();
    }
}

void FrontDoor::Look(QTcpSocket* socket) {
    const QByteArray received = socket->peek(kMaxRequestHead);
    const qsizetype length = RequestHeadLength(received);
    if (length == 0) {
        if (received.size() >= kMaxRequestHead)
            Answer(socket, 431, "Request Header Fields Too Large");
        return;
    }
    const auto head = ParseRequestHead(received.left(length));
    if (!head) {
        Answer(socket, 400, "Bad Request");
        return;
    }
    switch (Admit(*head, token_)) {
        case Admission::Http:
            Release(socket);
            emit HttpRequest(socket);
            break;
        case Admission::WebSocket:
            Release(socket);
            emit WebSocketRequest(socket);
            break;
        case Admission::Forbidden:
            Answer(socket, 403, "Forbidden");
            break;
        case Admission::NotFound:
            Answer(socket, 404, "Not Found");
            break;
    }
}

void FrontDoor::Answer(QTcpSocket* socket, int status, const char* reason) {
    Release(socket);
    const QByteArray body = QByteArray(reason) + '\n';
    socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reason +
                  "\r\nContent-Type: text/plain\r\nContent-Length: " +
                  QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState)
        socket->deleteLater();
    else
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
}
