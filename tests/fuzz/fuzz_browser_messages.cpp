// What a browser can send the gateway: the first request head the front door
// looks at, and the binary messages of the WebSocket. An accepted message
// must encode back to exactly its bytes.

#include <QByteArray>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "web/browser_messages.h"
#include "web/request_head.h"
#include "web/screen_messages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const BrowserParse parse = ParseBrowserMessage(data, size);
    if (parse.message) {
        const QByteArray again = EncodeBrowserMessage(*parse.message);
        if (static_cast<size_t>(again.size()) != size ||
            std::memcmp(again.constData(), data, size) != 0)
            std::abort();
    }
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype length = RequestHeadLength(bytes.left(kMaxRequestHead));
    if (length > 0) {
        if (const auto head = ParseRequestHead(bytes.left(length)))
            Admit(*head, "0123456789abcdef0123456789abcdef");
    }
    // The page's side of the screen updates, mirrored in C++.
    static uint16_t frame[240 * 268];
    ApplyScreenUpdate(bytes, frame);
    return 0;
}
