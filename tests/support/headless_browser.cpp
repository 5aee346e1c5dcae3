#include "headless_browser.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

namespace {

// The flags a browser needs on a machine without outside network.
const QStringList kFlags =
    QStringLiteral(
        "--headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
        "--disable-background-networking --disable-component-update --disable-sync --mute-audio "
        "--hide-scrollbars --remote-debugging-port=0")
        .split(QLatin1Char(' '));

void Pause(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

HeadlessBrowser::~HeadlessBrowser() {
    socket_.abort();
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(10000);
    }
}

QString HeadlessBrowser::Literal(const QString& text) {
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString HeadlessBrowser::Program() {
    for (const char* name : {"chromium", "chromium-browser"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found;
    }
    return {};
}

bool HeadlessBrowser::Start(QString* problem) {
    if (Program().isEmpty() || !profile_.isValid()) {
        *problem = QStringLiteral("no chromium, or no profile folder");
        return false;
    }
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(Program(),
                   kFlags + QStringList{"--user-data-dir=" + profile_.path(), "about:blank"});
    const QRegularExpression listening(QStringLiteral("DevTools listening on (ws://\\S+)"));
    QString seen;
    QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired() && process_.state() != QProcess::NotRunning) {
        process_.waitForReadyRead(200);
        seen += QString::fromLocal8Bit(process_.readAllStandardError());
        const auto match = listening.match(seen);
        if (!match.hasMatch())
            continue;
        QObject::connect(&socket_, &QWebSocket::textMessageReceived,
                         [this](const QString& text) { Received(text); });
        QEventLoop loop;
        QObject::connect(&socket_, &QWebSocket::connected, &loop, &QEventLoop::quit);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        socket_.open(QUrl(match.captured(1)));
        loop.exec();
        const QString target =
            Call("Target.createTarget", {{"url", "about:blank"}}).value("targetId").toString();
        session_ = Call("Target.attachToTarget", {{"targetId", target}, {"flatten", true}})
                       .value("sessionId")
                       .toString();
        if (session_.isEmpty())
            *problem = QStringLiteral("no page");
        return !session_.isEmpty();
    }
    *problem = QStringLiteral("the browser did not start: ") + seen.right(2000);
    return false;
}

void HeadlessBrowser::Received(const QString& text) {
    const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
    if (message.contains("id"))
        replies_.insert(message.value("id").toInt(), message);
}

QJsonObject HeadlessBrowser::Send(const QJsonObject& command, int timeoutMs) {
    const int id = command.value("id").toInt();
    socket_.sendTextMessage(
        QString::fromUtf8(QJsonDocument(command).toJson(QJsonDocument::Compact)));
    QDeadlineTimer deadline(timeoutMs);
    while (!replies_.contains(id) && !deadline.hasExpired() &&
           socket_.state() == QAbstractSocket::ConnectedState)
        Pause(5);
    const QJsonObject reply = replies_.take(id);
    if (reply.contains("result"))
        return reply.value("result").toObject();
    return {{"error", reply.isEmpty() ? QJsonValue("no answer") : reply.value("error")}};
}

QJsonObject HeadlessBrowser::Call(const QString& method, const QJsonObject& params, int timeoutMs) {
    QJsonObject command{{"id", nextId_++}, {"method", method}, {"params", params}};
    if (!session_.isEmpty())
        command.insert("sessionId", session_);
    return Send(command, timeoutMs);
}

QJsonValue HeadlessBrowser::Evaluate(const QString& expression) {
    const QJsonObject result =
        Call("Runtime.evaluate",
             {{"expression", expression}, {"returnByValue", true}, {"awaitPromise", true}});
    if (result.contains("exceptionDetails") || result.contains("error"))
        return QJsonValue(QJsonValue::Undefined);
    return result.value("result").toObject().value("value");
}

bool HeadlessBrowser::WaitFor(const QString& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (Evaluate("Boolean(" + condition + ")").toBool())
            return true;
        Pause(30);
    }
    return false;
}

void HeadlessBrowser::Emulate(int width, int height, double scale) {
    Call("Emulation.setDeviceMetricsOverride",
         {{"width", width}, {"height", height}, {"deviceScaleFactor", scale}, {"mobile", true}});
    Call("Emulation.setTouchEmulationEnabled", {{"enabled", true}, {"maxTouchPoints", 5}});
}

bool HeadlessBrowser::Navigate(const QString& url) {
    Call("Page.enable");
    const QJsonObject result = Call("Page.navigate", {{"url", url}});
    return !result.contains("error") && !result.contains("errorText");
}

void HeadlessBrowser::Tap(double x, double y) {
    const QJsonArray points{QJsonObject{{"x", x}, {"y", y}}};
    Call("Input.dispatchTouchEvent", {{"type", "touchStart"}, {"touchPoints", points}});
    Call("Input.dispatchTouchEvent", {{"type", "touchEnd"}, {"touchPoints", QJsonArray()}});
}

void HeadlessBrowser::InsertText(const QString& text) {
    Call("Input.insertText", {{"text", text}});
}

QJsonObject HeadlessBrowser::Box(const QString& selector) {
    return Evaluate(QStringLiteral("(() => { const r = document.querySelector(%1)"
                                   ".getBoundingClientRect(); return {x: r.x, y: r.y, "
                                   "width: r.width, height: r.height}; })()")
                        .arg(Literal(selector)))
        .toObject();
}

QImage HeadlessBrowser::CanvasImage(const QString& selector) {
    const QString url = Evaluate(QStringLiteral("document.querySelector(%1).toDataURL('image/png')")
                                     .arg(Literal(selector)))
                            .toString();
    const QByteArray png = QByteArray::fromBase64(url.section(',', 1).toLatin1());
    return QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB888);
}

QByteArray HeadlessBrowser::Screenshot() {
    const QJsonObject result = Call("Page.captureScreenshot", {{"format", "png"}});
    return QByteArray::fromBase64(result.value("data").toString().toLatin1());
}
