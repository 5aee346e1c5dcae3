#include "web/request_head.h"

#include <QList>

#include "web/access_token.h"

namespace {

bool IsHeaderName(const QByteArray& name, const char* expected) {
    return name.compare(expected, Qt::CaseInsensitive) == 0;
}

// Sets a header that may appear once; false when it appears again.
bool SetOnce(QByteArray& field, bool& seen, const QByteArray& value) {
    if (seen)
        return false;
    seen = true;
    field = value;
    return true;
}

bool HasToken(const QByteArray& list, const char* token) {
    for (const QByteArray& item : list.split(','))
        if (item.trimmed().compare(token, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QByteArray PathOf(const QByteArray& target) {
    const qsizetype mark = target.indexOf('?');
    return mark < 0 ? target : target.left(mark);
}

}  // namespace

qsizetype RequestHeadLength(const QByteArray& received) {
    const qsizetype end = received.indexOf("\r\n\r\n");
    return end < 0 ? 0 : end + 4;
}

std::optional<RequestHead> ParseRequestHead(const QByteArray& head) {
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> request = lines.value(0).trimmed().split(' ');
    if (request.size() != 3 || request[0].isEmpty() || !request[1].startsWith('/') ||
        !request[2].startsWith("HTTP/1."))
        return std::nullopt;
    RequestHead parsed;
    parsed.method = request[0];
    parsed.target = request[1];
    bool hostSeen = false, originSeen = false;
    QByteArray upgrade, connection;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.isEmpty())
            continue;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return std::nullopt;
        const QByteArray name = line.left(colon).trimmed();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (IsHeaderName(name, "host") && !SetOnce(parsed.host, hostSeen, value))
            return std::nullopt;
        if (IsHeaderName(name, "origin") && !SetOnce(parsed.origin, originSeen, value))
            return std::nullopt;
        if (IsHeaderName(name, "upgrade"))
            upgrade = value;
        if (IsHeaderName(name, "connection"))
            connection = value;
    }
    parsed.webSocket = HasToken(upgrade, "websocket") && HasToken(connection, "upgrade");
    return parsed;
}

bool SameOrigin(const QByteArray& origin, const QByteArray& host) {
    return !host.isEmpty() && origin.toLower() == "http://" + host.toLower();
}

Admission Admit(const RequestHead& head, const QByteArray& token) {
    // Without the token nothing is answered but 403, whatever the path.
    if (!TokenMatches(token, TokenOfTarget(head.target)))
        return Admission::Forbidden;
    if (!head.webSocket)
        return Admission::Http;
    if (PathOf(head.target) != kWebSocketPath)
        return Admission::NotFound;
    return SameOrigin(head.origin, head.host) ? Admission::WebSocket : Admission::Forbidden;
}
