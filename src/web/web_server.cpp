#include "web/web_server.h"

#include <QLoggingCategory>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>

#include "display/screen_format.h"
#include "web/access_token.h"
#include "web/browser_link.h"
#include "web/request_head.h"
#include "web/web_station.h"

// Hands sockets the front door has looked at to the HTTP server, which takes
// new connections only from a QTcpServer. It never listens itself, which
// the base class would warn about each time.
class SocketHandover : public QTcpServer {
  public:
    using QTcpServer::QTcpServer;
    void Give(QTcpSocket* socket) { addPendingConnection(socket); }
    QTcpSocket* nextPendingConnection() override {
        QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
        QTcpSocket* socket = QTcpServer::nextPendingConnection();
        QLoggingCategory::setFilterRules(QString());
        return socket;
    }
};

namespace {

constexpr int kCloseGoingAway = 1001;
constexpr int kClosePolicyViolation = 1008;

}  // namespace

WebServer::WebServer(WebStation& station, WebServerOptions options, QObject* parent)
    : QObject(parent),
      station_(station),
      options_(std::move(options)),
      page_(BuildWebPage()),
      door_(options_.token),
      handover_(new SocketHandover),
      webSockets_(QStringLiteral("kel-remote-web"), QWebSocketServer::NonSecureMode),
      screen_(kRemotePixels, 0) {
    {
        // The handover never listens; the HTTP server need not say so.
        QLoggingCategory::setFilterRules(QStringLiteral("qt.httpserver.warning=false"));
        http_.bind(handover_);
        QLoggingCategory::setFilterRules(QString());
    }
    ServePage();
    connect(&door_, &FrontDoor::HttpRequest, this, &WebServer::TakeHttp);
    connect(&door_, &FrontDoor::WebSocketRequest, this, &WebServer::TakeWebSocket);
    connect(&webSockets_, &QWebSocketServer::newConnection, this, &WebServer::AddBrowser);
    connect(&station_, &WebStation::DesksChanged, this, &WebServer::QueueDesks);
    connect(&station_, &WebStation::SessionChanged, this, &WebServer::QueueSession);
    connect(&station_, &WebStation::ScreenFinished, this, &WebServer::ScreenFinished);
    connect(&station_, &WebStation::Banner, this,
            [this](const QString& text, int severity, quint32 retry) {
                Broadcast(BannerMessage(text.toStdString(), static_cast<BannerSeverity>(severity),
                                        retry));
            });
    connect(&station_, &WebStation::Beep, this,
            [this](unsigned sound) { Broadcast(BeepMessage(sound)); });
}

WebServer::~WebServer() {
    // Every browser's WebSocket goes before the servers and the front door
    // whose sockets it uses; closed ones waiting for deletion too.
    qDeleteAll(findChildren<BrowserLink*>(QString(), Qt::FindDirectChildrenOnly));
    links_.clear();
}

void WebServer::ServePage() {
    http_.route("/", QHttpServerRequest::Method::Get, [this](const QHttpServerRequest& request) {
        const QByteArray given =
            request.query().queryItemValue(QStringLiteral("token"), QUrl::FullyDecoded).toLatin1();
        if (!TokenMatches(options_.token, given))
            return QHttpServerResponse("text/plain", "Forbidden\n",
                                       QHttpServerResponse::StatusCode::Forbidden);
        QHttpServerResponse response("text/html; charset=utf-8", page_.html);
        response.setHeader("Content-Security-Policy", page_.contentSecurityPolicy);
        response.setHeader("Cache-Control", "no-store");
        response.setHeader("Referrer-Policy", "no-referrer");
        response.setHeader("X-Content-Type-Options", "nosniff");
        response.setHeader("X-Frame-Options", "DENY");
        return response;
    });
}

bool WebServer::Listen(QString* problem) {
    return door_.Listen(options_.address, options_.port, problem);
}

QString WebServer::PageUrl(const QString& anyHost) const {
    const bool any =
        options_.address == QHostAddress::Any || options_.address == QHostAddress::AnyIPv4;
    return QStringLiteral("http://%1:%2/?token=%3")
        .arg(any ? anyHost : options_.address.toString())
        .arg(Port())
        .arg(QString::fromLatin1(options_.token));
}

void WebServer::TakeHttp(QTcpSocket* socket) {
    // The page takes no request body: a long one stalls instead of filling
    // the memory.
    socket->setReadBufferSize(kMaxRequestHead * 2);
    handover_->Give(socket);
    // The head is already waiting in the socket's buffer.
    emit socket->readyRead();
}

void WebServer::TakeWebSocket(QTcpSocket* socket) {
    webSockets_.handleConnection(socket);
}

void WebServer::AddBrowser() {
    while (QWebSocket* socket = webSockets_.nextPendingConnection()) {
        auto* link = new BrowserLink(socket, station_, screen_, screenNumber_, this);
        connect(link, &BrowserLink::Closed, this, &WebServer::LinkClosed);
        if (static_cast<int>(links_.size()) >= options_.maxBrowsers) {
            link->Close(kClosePolicyViolation,
                        QStringLiteral("Too many browsers: at most %1 at a time.")
                            .arg(options_.maxBrowsers));
            continue;
        }
        links_.push_back(link);
        link->SendText(HelloMessage(station_.State().hwBtnHold, station_.State().swBtnHold));
        link->SendText(DesksMessage(station_.Desks()));
        link->SendText(SessionMessage(station_.Session()));
        link->OfferScreen();
    }
}

void WebServer::LinkClosed(BrowserLink* link) {
    std::erase(links_, link);
    link->deleteLater();
}

void WebServer::CloseBrowsers() {
    for (BrowserLink* link : links_)
        link->Close(kCloseGoingAway, QStringLiteral("The gateway is shutting down."));
}

void WebServer::QueueDesks() {
    if (std::exchange(desksQueued_, true))
        return;
    QTimer::singleShot(0, this, &WebServer::SendDesks);
}

void WebServer::QueueSession() {
    if (std::exchange(sessionQueued_, true))
        return;
    QTimer::singleShot(0, this, &WebServer::SendSession);
}

void WebServer::SendDesks() {
    desksQueued_ = false;
    QString desks = DesksMessage(station_.Desks());
    if (desks == desks_)
        return;
    desks_ = std::move(desks);
    Broadcast(desks_);
}

void WebServer::SendSession() {
    sessionQueued_ = false;
    const SessionView session = station_.Session();
    if (session == session_)
        return;
    if (session.desk != session_.desk) {
        for (BrowserLink* link : links_)
            link->ForgetPresses();
    }
    session_ = session;
    Broadcast(SessionMessage(session_));
}

void WebServer::ScreenFinished() {
    screenNumber_ = station_.TakeScreen(screen_);
    for (BrowserLink* link : links_)
        link->OfferScreen();
}

void WebServer::Broadcast(const QString& message) {
    for (BrowserLink* link : links_)
        link->SendText(message);
}
