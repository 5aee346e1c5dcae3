#include "web/browser_messages.h"

#include <array>

#include "display/screen_format.h"
#include "input/command_ids.h"
#include "platform/byte_order.h"

namespace {

using Kind = BrowserMessageKind;

// Exact length of each kind, indexed by the kind byte; 0 = no such kind.
constexpr std::array<uint8_t, 13> kLengths = {0, 6, 3, 2, 3, 2, 1, 5, 1, 1, 1, 5, 1};

BrowserMessage Of(Kind kind) {
    BrowserMessage message;
    message.kind = kind;
    return message;
}

BrowserParse Refused(const char* problem) {
    return {std::nullopt, problem};
}

BrowserParse Accepted(const BrowserMessage& message) {
    return {message, ""};
}

BrowserParse ParsePointer(const uint8_t* b) {
    BrowserMessage m = Of(Kind::Pointer);
    m.action = b[1];
    m.x = LoadLe16(b + 2);
    m.y = LoadLe16(b + 4);
    if (m.action < 1 || m.action > 3)
        return Refused("unknown pointer action");
    if (m.x >= kRemoteWidth || m.y >= kRemoteHeight)
        return Refused("pointer outside the desk screen");
    return Accepted(m);
}

BrowserParse ParseCharacter(const uint8_t* b) {
    BrowserMessage m = Of(Kind::Character);
    m.code = LoadLe16(b + 1);
    return m.code == 0 ? Refused("character 0") : Accepted(m);
}

BrowserParse ParseKey(const uint8_t* b) {
    BrowserMessage m = Of(Kind::Key);
    m.code = b[1];
    if (m.code < static_cast<uint8_t>(NamedKey::Backspace) ||
        m.code > static_cast<uint8_t>(NamedKey::Delete))
        return Refused("unknown key");
    return Accepted(m);
}

BrowserParse ParseButton(const uint8_t* b) {
    BrowserMessage m = Of(Kind::Button);
    m.code = b[1];
    m.action = b[2];
    if (m.code >= kHandheldButtonCount)
        return Refused("unknown button");
    if (m.action < 1 || m.action > 2)
        return Refused("unknown button action");
    return Accepted(m);
}

BrowserParse ParseStep(const uint8_t* b) {
    BrowserMessage m = Of(Kind::EncoderStep);
    m.code = b[1];
    if (m.code < kKeyLeft || m.code > kKeyDown)
        return Refused("unknown encoder direction");
    return Accepted(m);
}

}  // namespace

BrowserParse ParseBrowserMessage(const uint8_t* bytes, size_t size) {
    if (size == 0)
        return Refused("empty message");
    const uint8_t kind = bytes[0];
    if (kind >= kLengths.size() || kLengths[kind] == 0)
        return Refused("unknown message kind");
    if (size != kLengths[kind])
        return Refused("wrong message length");
    switch (static_cast<Kind>(kind)) {
        case Kind::Pointer:
            return ParsePointer(bytes);
        case Kind::Character:
            return ParseCharacter(bytes);
        case Kind::Key:
            return ParseKey(bytes);
        case Kind::Button:
            return ParseButton(bytes);
        case Kind::EncoderStep:
            return ParseStep(bytes);
        case Kind::Connect:
        case Kind::ScreenAck: {
            BrowserMessage m = Of(static_cast<Kind>(kind));
            m.value = LoadLe32(bytes + 1);
            return Accepted(m);
        }
        default:
            return Accepted(Of(static_cast<Kind>(kind)));
    }
}

BrowserParse ParseBrowserMessage(const QByteArray& bytes) {
    return ParseBrowserMessage(reinterpret_cast<const uint8_t*>(bytes.constData()),
                               static_cast<size_t>(bytes.size()));
}

QByteArray EncodeBrowserMessage(const BrowserMessage& message) {
    const auto kind = static_cast<uint8_t>(message.kind);
    const size_t length = kind < kLengths.size() ? kLengths[kind] : 0;
    QByteArray bytes(static_cast<qsizetype>(length == 0 ? 1 : length), '\0');
    auto* b = reinterpret_cast<uint8_t*>(bytes.data());
    b[0] = kind;
    switch (message.kind) {
        case Kind::Pointer:
            b[1] = message.action;
            StoreLe16(b + 2, message.x);
            StoreLe16(b + 4, message.y);
            break;
        case Kind::Character:
            StoreLe16(b + 1, message.code);
            break;
        case Kind::Key:
        case Kind::EncoderStep:
            b[1] = static_cast<uint8_t>(message.code);
            break;
        case Kind::Button:
            b[1] = static_cast<uint8_t>(message.code);
            b[2] = message.action;
            break;
        case Kind::Connect:
        case Kind::ScreenAck:
            StoreLe32(b + 1, message.value);
            break;
        default:
            break;
    }
    return bytes;
}
