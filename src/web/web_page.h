#pragma once
// The one page the gateway serves: HTML with its style sheet and script
// put inline, so a single request (with the token) brings everything; no
// file comes from anywhere else. The Content-Security-Policy allows exactly
// that inline style and script (by their hashes) and WebSockets to the
// gateway, and forbids framing.

#include <QByteArray>

struct WebPage {
    QByteArray html;
    QByteArray contentSecurityPolicy;
};

// Built from the resources :/web/index.html, page.css and page.js.
WebPage BuildWebPage();
