#pragma once
// What a browser sends to the gateway over its WebSocket: small binary
// messages, one per WebSocket message, a kind byte first and every integer
// little-endian. Each kind has exactly one length; anything else is
// malformed and ends that browser's link.
//
//   kind  length  fields
//    1    6       pointer: action (1 move, 2 press, 3 release), x u16 (0-239),
//                 y u16 (0-267), desk screen pixels
//    2    3       character: UTF-16 code unit u16 (not 0)
//    3    2       key: 1 Backspace, 2 Enter, 3 Tab, 4 Escape, 5 Left, 6 Up,
//                 7 Right, 8 Down, 9 Delete
//    4    3       hardware button: index (0 Views, 1 Res., 2 encoder centre,
//                 3 Cmd, 4 Next), action (1 press, 2 release)
//    5    2       encoder step: direction key 37 left, 38 up, 39 right, 40 down
//    6    1       refresh the desk's screen
//    7    5       connect: the desk's address, four bytes in network order
//    8    1       disconnect
//    9    1       cancel the connect in progress
//   10    1       stop waiting for a lost desk
//   11    5       screen acknowledgement: sequence number u32
//   12    1       send the whole screen again

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <optional>

enum class BrowserMessageKind : uint8_t {
    Pointer = 1,
    Character = 2,
    Key = 3,
    Button = 4,
    EncoderStep = 5,
    Refresh = 6,
    Connect = 7,
    Disconnect = 8,
    CancelConnect = 9,
    StopWaiting = 10,
    ScreenAck = 11,
    FullScreen = 12,
};

enum class PointerAction : uint8_t { Move = 1, Press = 2, Release = 3 };
enum class ButtonAction : uint8_t { Press = 1, Release = 2 };

enum class NamedKey : uint8_t {
    Backspace = 1,
    Enter = 2,
    Tab = 3,
    Escape = 4,
    Left = 5,
    Up = 6,
    Right = 7,
    Down = 8,
    Delete = 9,
};

inline constexpr int kHandheldButtonCount = 5;
// No browser message is longer; the socket refuses longer ones unread.
inline constexpr int kMaxBrowserMessage = 8;

// One decoded message. Only the fields of its kind are meaningful.
struct BrowserMessage {
    BrowserMessageKind kind = BrowserMessageKind::Refresh;
    uint8_t action = 0;     // pointer or button action
    uint16_t x = 0, y = 0;  // pointer
    uint16_t code = 0;      // character unit, named key, button index or direction
    uint32_t value = 0;     // desk address (network-order bytes read LE) or sequence

    friend bool operator==(const BrowserMessage&, const BrowserMessage&) = default;
};

struct BrowserParse {
    std::optional<BrowserMessage> message;
    const char* problem = "";  // why it was refused, for the close reason
};

// Decodes one message; never reads outside [bytes, bytes + size).
BrowserParse ParseBrowserMessage(const uint8_t* bytes, size_t size);
BrowserParse ParseBrowserMessage(const QByteArray& bytes);

// The bytes of a message (the page's own encoder is in JavaScript; this one
// serves tests, tools and the fuzz corpus).
QByteArray EncodeBrowserMessage(const BrowserMessage& message);
