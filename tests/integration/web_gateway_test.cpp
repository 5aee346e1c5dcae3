// The browser gateway against the desk emulator, with plain WebSocket
// clients as browsers: the desk list, a session, the screen as the desk drew
// it, input reaching the desk, and what the gateway refuses. Runs only in
// the private network namespace (heartbeats).

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QWebSocket>
#include <QtTest>
#include <memory>

#include "desk_emulator.h"
#include "desk_screen.h"
#include "discovery/own_address.h"
#include "platform/winsock.h"
#include "web/browser_messages.h"
#include "web/screen_messages.h"
#include "web/web_server.h"
#include "web/web_station.h"

namespace {

constexpr int kWaitMs = 20000;
const QByteArray kToken = "feedfacefeedfacefeedfacefeedface";
const uint32_t kDesk = 0x0200007F;  // 127.0.0.2

BrowserMessage Message(BrowserMessageKind kind, uint16_t code = 0, uint8_t action = 0,
                       uint16_t x = 0, uint16_t y = 0, uint32_t value = 0) {
    return {kind, action, x, y, code, value};
}

// A browser as the gateway sees one: it keeps the screen it was sent and
// the latest text message of each type.
class TestBrowser : public QObject {
  public:
    TestBrowser(quint16 port, bool acknowledge = true, QString origin = QString(),
                QByteArray token = kToken)
        : socket(origin.isEmpty() ? QStringLiteral("http://127.0.0.1:%1").arg(port) : origin),
          frame(kRemotePixels, 0),
          acknowledge_(acknowledge) {
        connect(&socket, &QWebSocket::textMessageReceived, this, [this](const QString& text) {
            const QJsonObject m = QJsonDocument::fromJson(text.toUtf8()).object();
            latest[m.value("type").toString()] = m;
        });
        connect(&socket, &QWebSocket::binaryMessageReceived, this, [this](const QByteArray& b) {
            uint32_t sequence = 0;
            if (!ApplyScreenUpdate(b, frame.data(), &sequence))
                return;
            ++screens;
            unacknowledged.push_back(sequence);
            if (acknowledge_)
                Acknowledge();
        });
        connect(&socket, &QWebSocket::disconnected, this, [this] {
            closed = true;
            closeCode = socket.closeCode();
            closeReason = socket.closeReason();
        });
        socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws?token=%2")
                             .arg(port)
                             .arg(QString::fromLatin1(token))));
    }
    // Qt 6.4 leaks the close frame's text of a WebSocket destroyed while
    // open; a browser that goes just drops its connection.
    ~TestBrowser() override { socket.abort(); }
    void Send(const BrowserMessage& m) { socket.sendBinaryMessage(EncodeBrowserMessage(m)); }
    void Acknowledge() {
        for (uint32_t sequence : unacknowledged)
            Send(Message(BrowserMessageKind::ScreenAck, 0, 0, 0, 0, sequence));
        unacknowledged.clear();
    }
    QString Field(const QString& type, const QString& field) const {
        const QJsonValue value = latest.value(type).value(field);
        if (value.isArray())
            return QString::fromUtf8(QJsonDocument(value.toArray()).toJson());
        return value.toVariant().toString();
    }
    bool Greeted() const { return latest.contains("hello") && latest.contains("session"); }

    QWebSocket socket;
    std::vector<uint16_t> frame;
    QHash<QString, QJsonObject> latest;
    std::vector<uint32_t> unacknowledged;
    int screens = 0;
    bool closed = false;
    int closeCode = 0;
    QString closeReason;

  private:
    bool acknowledge_;
};

// The status line of a plain HTTP exchange with the gateway, which runs on
// this thread's event loop.
QByteArray StatusLine(quint16 port, const QByteArray& request) {
    QTcpSocket socket;
    QByteArray reply;
    QObject::connect(&socket, &QTcpSocket::connected, [&] { socket.write(request); });
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { reply += socket.readAll(); });
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!QTest::qWaitFor([&] { return reply.contains("\r\n"); }, kWaitMs))
        return {};
    return reply.left(reply.indexOf("\r\n"));
}

}  // namespace

class WebGatewayTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    std::unique_ptr<deskemu::DeskEmulator> desk_;
    std::unique_ptr<WebStation> station_;
    std::unique_ptr<WebServer> server_;

    quint16 Port() const { return server_->Port(); }
    void Connect(TestBrowser& browser) {
        QTRY_VERIFY_WITH_TIMEOUT(browser.Field("desks", "desks").contains("127.0.0.2"), kWaitMs);
        browser.Send(Message(BrowserMessageKind::Connect, 0, 0, 0, 0, kDesk));
        QTRY_VERIFY_WITH_TIMEOUT(browser.Field("session", "ready") == "true", kWaitMs);
    }
    // The gateway runs on this thread: every wait keeps its events going.
    bool Traced(const std::string& line, size_t from = 0) {
        return QTest::qWaitFor(
            [&] {
                return desk_->WaitForTrace(line, std::chrono::milliseconds(0), from).has_value();
            },
            kWaitMs);
    }
    bool ScreensSent(uint64_t count) {
        return QTest::qWaitFor([&] { return desk_->ScreensSent() >= count; }, kWaitMs);
    }

  private slots:
    void initTestCase() {
        qputenv("KEL_REMOTE_REGISTRY", dir_.filePath("registry.ini").toLocal8Bit());
        QVERIFY(ResolveOwnAddress() == 1);
        deskemu::Options options;
        options.address = "127.0.0.2";
        options.ownInterface = "127.0.0.1";
        options.name = "Web Desk";
        options.heartbeats = true;
        options.heartbeatInterval = std::chrono::milliseconds(200);
        desk_ = std::make_unique<deskemu::DeskEmulator>(options);
        std::string error;
        QVERIFY2(desk_->Start(&error), error.c_str());
        station_ = std::make_unique<WebStation>();
        server_ = std::make_unique<WebServer>(*station_,
                                              WebServerOptions{QHostAddress::LocalHost, 0, kToken});
        QString problem;
        QVERIFY2(server_->Listen(&problem), qPrintable(problem));
        station_->Start();
    }

    // Browsers of the test before have gone.
    void init() { QTRY_COMPARE_WITH_TIMEOUT(server_->BrowserCount(), 0, kWaitMs); }

    void cleanupTestCase() {
        server_.reset();
        station_.reset();
        desk_->Stop();
        qunsetenv("KEL_REMOTE_REGISTRY");
    }

    void browserDrivesTheDesk() {
        TestBrowser browser(Port());
        Connect(browser);
        QCOMPARE(browser.Field("session", "desk"), QStringLiteral("127.0.0.2"));
        QVERIFY(ScreensSent(1));
        QTRY_VERIFY_WITH_TIMEOUT(browser.frame == desk_->LastSentFrame(), kWaitMs);

        // A tap on touch button 6 lights it in the next update.
        const deskemu::Rect button = deskemu::ButtonRect(5);
        const uint16_t x = button.x + button.w / 2, y = button.y + button.h / 2;
        browser.Send(Message(BrowserMessageKind::Pointer, 0, 2, x, y));
        browser.Send(Message(BrowserMessageKind::Pointer, 0, 3, x, y));
        QVERIFY(Traced("pointer event=4 x=" + std::to_string(x) + " y=" + std::to_string(y)));
        const size_t corner = static_cast<size_t>(button.y + 1) * kRemoteWidth + button.x + 1;
        QTRY_COMPARE_WITH_TIMEOUT(browser.frame[corner], deskemu::kLitButtonColour, kWaitMs);

        // Keys as the window program sends them; the buttons and encoder.
        const std::vector<std::pair<BrowserMessage, std::string>> inputs = {
            {Message(BrowserMessageKind::Character, 'a'), "key kind=1 code=97"},
            {Message(BrowserMessageKind::Key, 1), "key kind=1 code=8"},   // Backspace
            {Message(BrowserMessageKind::Key, 3), "key kind=0 code=9"},   // Tab
            {Message(BrowserMessageKind::Key, 5), "key kind=0 code=37"},  // Left
            {Message(BrowserMessageKind::Button, 0, 1), ""},              // Views down
            {Message(BrowserMessageKind::Button, 0, 2), "button long=0 code=193"},
            {Message(BrowserMessageKind::EncoderStep, 38), "button long=1 code=38"},
            {Message(BrowserMessageKind::Refresh), "refresh"},
        };
        for (const auto& [message, trace] : inputs) {
            const size_t from = desk_->TraceSize();
            browser.Send(message);
            if (!trace.empty())
                QVERIFY2(Traced(trace, from), trace.c_str());
        }

        // On request the whole screen again, equal to the desk's.
        browser.frame.assign(kRemotePixels, 0);
        browser.Send(Message(BrowserMessageKind::FullScreen));
        QTRY_VERIFY_WITH_TIMEOUT(browser.frame == desk_->LastSentFrame(), kWaitMs);

        const size_t from = desk_->TraceSize();
        browser.Send(Message(BrowserMessageKind::Disconnect));
        QVERIFY(Traced("register code=1501", from));
        QTRY_COMPARE_WITH_TIMEOUT(browser.Field("session", "desk"), QString(), kWaitMs);
    }

    // A browser that does not acknowledge is sent no more than two updates;
    // once it acknowledges, it gets the latest screen in one.
    void slowBrowserGetsTheLatestScreen() {
        TestBrowser fast(Port());
        TestBrowser slow(Port(), false);
        Connect(fast);
        QTRY_VERIFY_WITH_TIMEOUT(slow.Greeted(), kWaitMs);
        for (char c = 'a'; c <= 'l'; ++c) {
            const size_t screens = desk_->ScreensSent();
            fast.Send(Message(BrowserMessageKind::Character, static_cast<uint16_t>(c)));
            QVERIFY(ScreensSent(screens + 1));
        }
        // A key may bring a second screen: wait until the desk is quiet, so
        // that what the slow browser is sent next can only be the latest.
        for (uint64_t seen = 0; seen != desk_->ScreensSent(); QTest::qWait(300))
            seen = desk_->ScreensSent();
        QTRY_VERIFY_WITH_TIMEOUT(fast.frame == desk_->LastSentFrame(), kWaitMs);
        QCOMPARE(slow.screens, 2);
        slow.Acknowledge();
        QTRY_VERIFY_WITH_TIMEOUT(slow.frame == desk_->LastSentFrame(), kWaitMs);
        QCOMPARE(slow.screens, 3);
        fast.Send(Message(BrowserMessageKind::Disconnect));
        QTRY_COMPARE_WITH_TIMEOUT(fast.Field("session", "desk"), QString(), kWaitMs);
    }

    void refusesWithoutTokenOrOrigin_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("status");
        const QByteArray socket =
            "Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"
            "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n";
        const QByteArray host = "Host: 127.0.0.1:8780\r\n";
        const QByteArray origin = "Origin: http://127.0.0.1:8780\r\n";
        QTest::newRow("page") << "GET /?token=" + kToken + " HTTP/1.1\r\n" + host + "\r\n"
                              << QByteArray("HTTP/1.1 200 OK");
        QTest::newRow("page without token") << "GET / HTTP/1.1\r\n" + host + "\r\n"
                                            << QByteArray("HTTP/1.1 403 Forbidden");
        QTest::newRow("other file without token") << "GET /favicon.ico HTTP/1.1\r\n" + host + "\r\n"
                                                  << QByteArray("HTTP/1.1 403 Forbidden");
        QTest::newRow("other file")
            << "GET /favicon.ico?token=" + kToken + " HTTP/1.1\r\n" + host + "\r\n"
            << QByteArray("HTTP/1.1 404 Not Found");
        QTest::newRow("page with wrong token")
            << "GET /?token=" + kToken.left(31) + "0 HTTP/1.1\r\n" + host + "\r\n"
            << QByteArray("HTTP/1.1 403 Forbidden");
        QTest::newRow("socket without token")
            << "GET /ws HTTP/1.1\r\n" + host + origin + socket + "\r\n"
            << QByteArray("HTTP/1.1 403 Forbidden");
        QTest::newRow("socket with wrong token")
            << "GET /ws?token=nope HTTP/1.1\r\n" + host + origin + socket + "\r\n"
            << QByteArray("HTTP/1.1 403 Forbidden");
        QTest::newRow("socket from another page")
            << "GET /ws?token=" + kToken + " HTTP/1.1\r\n" + host +
                   "Origin: http://elsewhere:8780\r\n" + socket + "\r\n"
            << QByteArray("HTTP/1.1 403 Forbidden");
        QTest::newRow("socket with everything")
            << "GET /ws?token=" + kToken + " HTTP/1.1\r\n" + host + origin + socket + "\r\n"
            << QByteArray("HTTP/1.1 101 Switching Protocols");
    }
    void refusesWithoutTokenOrOrigin() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, status);
        QCOMPARE(StatusLine(Port(), request), status);
    }

    void seventeenthBrowserIsRefused() {
        std::vector<std::unique_ptr<TestBrowser>> browsers;
        for (int i = 0; i < 16; ++i) {
            browsers.push_back(std::make_unique<TestBrowser>(Port()));
            QTRY_VERIFY_WITH_TIMEOUT(browsers.back()->Greeted(), kWaitMs);
        }
        TestBrowser extra(Port());
        QTRY_VERIFY_WITH_TIMEOUT(extra.closed, kWaitMs);
        QCOMPARE(extra.closeCode, 1008);
        QVERIFY(extra.closeReason.contains("at most 16"));
        QVERIFY(!extra.Greeted());
        QCOMPARE(server_->BrowserCount(), 16);
        browsers.pop_back();
        QTRY_COMPARE_WITH_TIMEOUT(server_->BrowserCount(), 15, kWaitMs);
        TestBrowser late(Port());
        QTRY_VERIFY_WITH_TIMEOUT(late.Greeted(), kWaitMs);
    }

    void malformedMessageClosesOnlyThatBrowser_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("text");
        QTest::addColumn<int>("code");
        QTest::newRow("unknown kind") << QByteArray("\x63", 1) << false << 1002;
        QTest::newRow("wrong length") << QByteArray("\x06\x00", 2) << false << 1002;
        QTest::newRow("unknown acknowledgement")
            << EncodeBrowserMessage(Message(BrowserMessageKind::ScreenAck, 0, 0, 0, 0, 99)) << false
            << 1002;
        QTest::newRow("too long") << QByteArray(64, '\x01') << false << 1009;
        QTest::newRow("text") << QByteArray("hi") << true << 1003;
    }
    void malformedMessageClosesOnlyThatBrowser() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, text);
        QFETCH(int, code);
        TestBrowser bad(Port());
        TestBrowser good(Port());
        QTRY_VERIFY_WITH_TIMEOUT(bad.Greeted() && good.Greeted(), kWaitMs);
        if (text)
            bad.socket.sendTextMessage(QString::fromUtf8(bytes));
        else
            bad.socket.sendBinaryMessage(bytes);
        QTRY_VERIFY_WITH_TIMEOUT(bad.closed, kWaitMs);
        QCOMPARE(bad.closeCode, code);
        QVERIFY(!bad.closeReason.isEmpty());
        // The other browser is still served.
        const int screens = good.screens;
        good.Send(Message(BrowserMessageKind::FullScreen));
        QTRY_COMPARE_WITH_TIMEOUT(good.screens, screens + 1, kWaitMs);
        QVERIFY(!good.closed);
    }

    // A server may go while browsers are open and connections have sent
    // nothing yet: they are closed, nothing of it is touched afterwards.
    void serverGoesWithBrowsersStillOpen() {
        auto server = std::make_unique<WebServer>(
            *station_, WebServerOptions{QHostAddress::LocalHost, 0, kToken});
        QString problem;
        QVERIFY2(server->Listen(&problem), qPrintable(problem));
        QTcpSocket idle;
        idle.connectToHost(QHostAddress::LocalHost, server->Port());
        TestBrowser browser(server->Port());
        QTRY_VERIFY_WITH_TIMEOUT(browser.Greeted(), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(idle.state() == QAbstractSocket::ConnectedState, kWaitMs);
        server.reset();
        QTRY_VERIFY_WITH_TIMEOUT(browser.closed, kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(idle.state(), QAbstractSocket::UnconnectedState, kWaitMs);
    }
};

QTEST_GUILESS_MAIN(WebGatewayTest)
#include "web_gateway_test.moc"
