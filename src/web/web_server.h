#pragma once
// The gateway's network side: the front door, the HTTP server that serves
// the page, the WebSocket server and one BrowserLink per browser. It fans
// the station's desk list, session, banners, sounds and screen out to every
// browser; several browsers watch the same session and any may send input.
//
// Threads: GUI thread.

#include <QHostAddress>
#include <QHttpServer>
#include <QObject>
#include <QString>
#include <QWebSocketServer>
#include <vector>

#include "web/front_door.h"
#include "web/page_messages.h"
#include "web/web_page.h"

class BrowserLink;
class QTcpSocket;
class SocketHandover;
class WebStation;

struct WebServerOptions {
    QHostAddress address{QHostAddress::LocalHost};
    quint16 port = 8780;  // 0: any free port (tests)
    QByteArray token;
    int maxBrowsers = 16;
};

class WebServer : public QObject {
    Q_OBJECT
  public:
    WebServer(WebStation& station, WebServerOptions options, QObject* parent = nullptr);
    ~WebServer() override;

    bool Listen(QString* problem);
    quint16 Port() const { return door_.Port(); }
    // http://HOST:PORT/?token=TOKEN; host is the listening address, or
    // `anyHost` when listening on every address.
    QString PageUrl(const QString& anyHost) const;
    int BrowserCount() const { return static_cast<int>(links_.size()); }
    // Tells every browser that the gateway goes away and closes its socket.
    void CloseBrowsers();

  private:
    void ServePage();
    void TakeHttp(QTcpSocket* socket);
    void TakeWebSocket(QTcpSocket* socket);
    void AddBrowser();
    void LinkClosed(BrowserLink* link);
    void QueueDesks();
    void QueueSession();
    void SendDesks();
    void SendSession();
    void ScreenFinished();
    void Broadcast(const QString& message);

    WebStation& station_;
    WebServerOptions options_;
    WebPage page_;
    FrontDoor door_;
    QHttpServer http_;
    SocketHandover* handover_;  // owned by http_
    QWebSocketServer webSockets_;
    std::vector<BrowserLink*> links_;
    std::vector<uint16_t> screen_;
    uint64_t screenNumber_ = 0;  // frames finished so far
    QString desks_;
    SessionView session_;
    QString sessionText_;
    bool desksQueued_ = false;
    bool sessionQueued_ = false;
};
