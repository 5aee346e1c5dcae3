#pragma once
// Headless Chromium driven over its DevTools protocol, for the tests and
// benchmarks of the browser gateway's page. One browser process, one page,
// a fresh profile that is removed afterwards. Runs in the private network
// namespace like everything else that talks to the gateway.
//
// Threads: the thread that made it; every wait runs its event loop.

#include <QHash>
#include <QImage>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QWebSocket>

class HeadlessBrowser {
  public:
    HeadlessBrowser() = default;
    ~HeadlessBrowser();
    HeadlessBrowser(const HeadlessBrowser&) = delete;
    HeadlessBrowser& operator=(const HeadlessBrowser&) = delete;

    // The browser program, empty when it is not installed.
    static QString Program();
    // The text as a JavaScript string literal.
    static QString Literal(const QString& text);

    // Starts the browser and opens an empty page. False with the reason.
    bool Start(QString* problem);

    // A DevTools command on the page; its "result", or an object holding
    // "error" (also on time-out).
    QJsonObject Call(const QString& method, const QJsonObject& params = {}, int timeoutMs = 20000);
    // Evaluates the expression in the page (promises are awaited) and gives
    // its value; an invalid value when it threw.
    QJsonValue Evaluate(const QString& expression);
    // Waits until the expression is true.
    bool WaitFor(const QString& condition, int timeoutMs);

    // The viewport of a phone or tablet: CSS pixels, device scale, touch.
    void Emulate(int width, int height, double scale);
    bool Navigate(const QString& url);
    // A finger's tap at CSS pixel (x, y) of the viewport.
    void Tap(double x, double y);
    void InsertText(const QString& text);
    // The element's box in CSS pixels: x, y, width, height.
    QJsonObject Box(const QString& selector);
    // The canvas's pixels as the page drew them.
    QImage CanvasImage(const QString& selector);
    // PNG of the viewport.
    QByteArray Screenshot();

  private:
    QJsonObject Send(const QJsonObject& command, int timeoutMs);
    void Received(const QString& text);

    QProcess process_;
    QTemporaryDir profile_;
    QWebSocket socket_;
    QString session_;
    int nextId_ = 1;
    QHash<int, QJsonObject> replies_;
};
