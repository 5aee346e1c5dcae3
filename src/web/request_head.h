#pragma once
// The front door's look at a new connection's first request: the request
// line and the few headers that decide whether it may in, before anything
// else sees it. A WebSocket is admitted only here, so a refused one gets a
// plain HTTP answer and never an open socket.

#include <QByteArray>
#include <optional>

// A head longer than this is refused (431).
inline constexpr qsizetype kMaxRequestHead = 8192;

struct RequestHead {
    QByteArray method;
    QByteArray target;  // as sent: path and query
    QByteArray host;
    QByteArray origin;
    bool webSocket = false;  // "Upgrade: websocket"
};

// The head's length including its closing empty line, 0 while incomplete.
qsizetype RequestHeadLength(const QByteArray& received);

// Parses bytes up to and including the empty line that ends the head.
// Nothing for a malformed head (no request line, a header line without a
// colon, a repeated Host or Origin).
std::optional<RequestHead> ParseRequestHead(const QByteArray& head);

enum class Admission {
    Http,       // an ordinary request with the token: the HTTP server answers it
    WebSocket,  // a WebSocket with the token, on the page's own origin
    Forbidden,  // any request without the token, or a WebSocket from a foreign page
    NotFound,   // a WebSocket on another path
};

// The path WebSockets are opened on.
inline constexpr char kWebSocketPath[] = "/ws";

Admission Admit(const RequestHead& head, const QByteArray& token);

// The origin a page served by this host has: "http://" + host, lower-case.
bool SameOrigin(const QByteArray& origin, const QByteArray& host);
