#include "web/web_page.h"

#include <QCryptographicHash>
#include <QFile>

namespace {

QByteArray Resource(const char* name) {
    QFile file(QStringLiteral(":/web/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray HashSource(const QByteArray& text) {
    return "'sha256-" + QCryptographicHash::hash(text, QCryptographicHash::Sha256).toBase64() + "'";
}

}  // namespace

WebPage BuildWebPage() {
    const QByteArray style = Resource("page.css");
    const QByteArray script = Resource("page.js");
    QByteArray html = Resource("index.html");
    html.replace("<style></style>", "<style>" + style + "</style>");
    html.replace("<script></script>", "<script>" + script + "</script>");
    const QByteArray policy = "default-src 'none'; style-src " + HashSource(style) +
                              "; script-src " + HashSource(script) +
                              "; connect-src 'self' ws: wss:; img-src data:; "
                              "base-uri 'none'; form-action 'none'; frame-ancestors 'none'";
    return {html, policy};
}
