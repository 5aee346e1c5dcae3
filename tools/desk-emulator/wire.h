#pragma once
// The emulator's own encoders and parsers of everything it exchanges with a
// station. Integers are little-endian; IPv4 addresses are the four bytes in
// network order.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace deskemu {

using Bytes = std::vector<uint8_t>;

// ---- addresses ----
// The four network-order bytes of a dotted address, read little-endian.
std::optional<uint32_t> ParseAddress(const std::string& dotted);
std::string AddressText(uint32_t address);
uint32_t ClassMask(uint32_t address);

// ---- strings (int32 length, -1 = null, then the characters) ----
constexpr int32_t kMaxStringLength = 512;
Bytes EncodeString(const std::optional<std::string>& text);

// ---- desk messages on the display channel ----
enum DeskMessage : uint8_t {
    kBeepMessage = 1,
    kInputPanelMessage = 2,
    kScreenMessage = 3,
    kSessionInfoMessage = 4,
    kDeskModeMessage = 5,
    kThrownOutMessage = 6,
};
constexpr size_t kSessionUserNameSize = 64;

Bytes EncodeByteMessage(DeskMessage type, uint8_t value);  // beep, input panel, desk mode
Bytes EncodeThrownOut();
// Cursor mode byte, then the user name in 64 bytes, zero-filled (cut to 64).
Bytes EncodeSessionInfo(uint8_t cursorMode, const std::string& userName);
// Type 3, a reserved zero byte, the word count and the words.
// The caller keeps words.size() <= 65535.
Bytes EncodeScreenMessage(std::span<const uint16_t> words);

// ---- input messages on the input channel ----
// Length of a whole message, type byte included; 0 for an unknown type.
size_t InputMessageLength(uint8_t type);

struct InputMessage {
    enum Kind { kKey = 1, kPointer = 2, kButton = 3, kCursorMode = 4, kRefresh = 5, kShortcut = 6 };
    Kind kind = kRefresh;
    bool valid = true;  // false: a known type whose fields break its layout
    uint8_t flag = 0;   // key kind, button long, shortcut down, cursor-mode byte
    uint16_t code = 0;  // key code, pointer event, button code, shortcut key
    uint16_t x = 0;
    uint16_t y = 0;
    uint16_t modifiers = 0;
};

// Pointer events a station sends.
constexpr uint16_t kPointerMove = 1;
constexpr uint16_t kPointerPress = 2;
constexpr uint16_t kPointerRelease = 4;
constexpr uint16_t kPointerLongRelease = 260;
// Modifier bits of a shortcut key: Shift, Ctrl (two bits), Alt, Caps Lock.
constexpr uint16_t kKnownModifiers = 0x10 | 0x0C | 0x01 | 0x80;

// Parses one whole message of InputMessageLength(bytes[0]) bytes.
InputMessage ParseInputMessage(std::span<const uint8_t> bytes);
// The trace line of a parsed message; invalid ones show their bytes in hex.
std::string DescribeInput(const InputMessage& message, std::span<const uint8_t> bytes);

// ---- station record and heartbeat ----
struct DeskDescription {
    uint32_t address = 0;
    std::string name;
    int32_t type = 1;
    int32_t emulation = 0;
    int32_t softwareVersion = 0;
    int32_t state = 1;
    int32_t protocol = 0;
    int16_t displayVersion = 0;
};

constexpr size_t kStationRecordSize = 156;
constexpr size_t kHeartbeatSize = 272;
constexpr size_t kHeartbeatStationOffset = 16;

void WriteStationRecord(const DeskDescription& desk, uint8_t* out);  // 156 bytes
Bytes EncodeHeartbeat(const DeskDescription& desk);

// ---- chat datagram ----
constexpr size_t kChatMaxSize = 1024;
constexpr size_t kChatHeadSize = 88;
constexpr int32_t kChatMarker = 116;

struct ChatMessage {
    std::string senderText;  // address text at the head
    std::string senderName;
    uint32_t senderAddress = 0;
    int32_t senderType = 0;
    int32_t emulation = 0;
    int32_t count = 0;  // -1 all, 0 nobody, n recipients
    std::vector<uint32_t> recipients;
    std::string text;
};

// The text is cut so that the datagram with its closing NUL stays within
// 1024 bytes.
Bytes EncodeChat(const DeskDescription& sender, int32_t count,
                 const std::vector<uint32_t>& recipients, const std::string& text);
// Nullopt for a datagram too short for its head. Recipients and text are
// taken only from the received bytes.
std::optional<ChatMessage> ParseChat(std::span<const uint8_t> datagram);

// ---- trace text ----
// Printable ASCII stays; backslash and everything else become \\, \n, \r,
// \t or \xHH, so a trace line never breaks and can be read back.
std::string EscapeText(std::string_view text);

}  // namespace deskemu
