#include "wire.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

#include "platform/byte_order.h"

namespace deskemu {
namespace {

void AppendLe16(Bytes& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void AppendLe32(Bytes& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

void WriteText(uint8_t* out, size_t width, const std::string& text) {
    const size_t n = std::min(text.size(), width - 1);  // keep the closing NUL
    std::memcpy(out, text.data(), n);
}

std::string ReadText(const uint8_t* in, size_t width) {
    const auto* end = std::find(in, in + width, uint8_t{0});
    return std::string(reinterpret_cast<const char*>(in), static_cast<size_t>(end - in));
}

std::string Hex(std::span<const uint8_t> bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

bool IsPointerEvent(uint16_t event) {
    return event == kPointerMove || event == kPointerPress || event == kPointerRelease ||
           event == kPointerLongRelease;
}

}  // namespace

std::optional<uint32_t> ParseAddress(const std::string& dotted) {
    in_addr addr{};
    if (inet_pton(AF_INET, dotted.c_str(), &addr) != 1) {
        return std::nullopt;
    }
    return LoadLe32(reinterpret_cast<const uint8_t*>(&addr.s_addr));
}

std::string AddressText(uint32_t address) {
    uint8_t b[4];
    StoreLe32(b, address);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
           std::to_string(b[3]);
}

uint32_t ClassMask(uint32_t address) {
    const uint8_t first = static_cast<uint8_t>(address);
    if (first < 128) {
        return 0x000000FF;
    }
    if (first < 192) {
        return 0x0000FFFF;
    }
    if (first < 224) {
        return 0x00FFFFFF;
    }
    return 0xFFFFFFFF;
}

Bytes EncodeString(const std::optional<std::string>& text) {
    Bytes out;
    if (!text) {
        AppendLe32(out, 0xFFFFFFFF);
        return out;
    }
    AppendLe32(out, static_cast<uint32_t>(text->size()));
    out.insert(out.end(), text->begin(), text->end());
    return out;
}

Bytes EncodeByteMessage(DeskMessage type, uint8_t value) {
    return {type, value};
}

Bytes EncodeThrownOut() {
    return {kThrownOutMessage};
}

Bytes EncodeSessionInfo(uint8_t cursorMode, const std::string& userName) {
    Bytes out(2 + kSessionUserNameSize, 0);
    out[0] = kSessionInfoMessage;
    out[1] = cursorMode;
    std::memcpy(out.data() + 2, userName.data(), std::min(userName.size(), kSessionUserNameSize));
    return out;
}

Bytes EncodeScreenMessage(std::span<const uint16_t> words) {
    Bytes out;
    out.reserve(4 + 2 * words.size());
    out.push_back(kScreenMessage);
    out.push_back(0);
    AppendLe16(out, static_cast<uint16_t>(words.size()));
    for (uint16_t w : words) {
        AppendLe16(out, w);
    }
    return out;
}

size_t InputMessageLength(uint8_t type) {
    switch (type) {
        case InputMessage::kKey:
            return 4;
        case InputMessage::kPointer:
            return 8;
        case InputMessage::kButton:
            return 8;
        case InputMessage::kCursorMode:
            return 2;
        case InputMessage::kRefresh:
            return 1;
        case InputMessage::kShortcut:
            return 6;
        default:
            return 0;
    }
}

InputMessage ParseInputMessage(std::span<const uint8_t> b) {
    InputMessage m;
    if (b.empty() || InputMessageLength(b[0]) == 0 || b.size() != InputMessageLength(b[0])) {
        m.valid = false;
        return m;
    }
    m.kind = static_cast<InputMessage::Kind>(b[0]);
    switch (m.kind) {
        case InputMessage::kKey:
            m.flag = b[1];
            m.code = LoadLe16(&b[2]);
            m.valid = m.flag <= 1;
            break;
        case InputMessage::kPointer:
            m.code = LoadLe16(&b[2]);
            m.x = LoadLe16(&b[4]);
            m.y = LoadLe16(&b[6]);
            m.valid = b[1] == 0 && IsPointerEvent(m.code);
            break;
        case InputMessage::kButton:
            m.flag = b[1];
            m.code = LoadLe16(&b[2]);
            m.valid = m.flag <= 1 && b[4] == 0 && b[5] == 0 && LoadLe16(&b[6]) == 0;
            break;
        case InputMessage::kCursorMode:
            m.flag = b[1];
            break;
        case InputMessage::kRefresh:
            break;
        case InputMessage::kShortcut:
            m.flag = b[1];
            m.code = LoadLe16(&b[2]);
            m.modifiers = LoadLe16(&b[4]);
            m.valid = m.flag <= 1 && (m.modifiers & ~kKnownModifiers) == 0;
            break;
    }
    return m;
}

std::string DescribeInput(const InputMessage& m, std::span<const uint8_t> bytes) {
    if (!m.valid) {
        const int type = bytes.empty() ? -1 : bytes[0];
        return "invalid-input type=" + std::to_string(type) + " bytes=" + Hex(bytes);
    }
    const auto n = [](unsigned v) { return std::to_string(v); };
    switch (m.kind) {
        case InputMessage::kKey:
            return "key kind=" + n(m.flag) + " code=" + n(m.code);
        case InputMessage::kPointer:
            return "pointer event=" + n(m.code) + " x=" + n(m.x) + " y=" + n(m.y);
        case InputMessage::kButton:
            return "button long=" + n(m.flag) + " code=" + n(m.code);
        case InputMessage::kCursorMode:
            return "cursor-mode value=" + n(m.flag);
        case InputMessage::kRefresh:
            return "refresh";
        case InputMessage::kShortcut:
            return "shortcut down=" + n(m.flag) + " code=" + n(m.code) +
                   " modifiers=" + n(m.modifiers);
    }
    return "invalid-input";
}

void WriteStationRecord(const DeskDescription& desk, uint8_t* out) {
    std::memset(out, 0, kStationRecordSize);
    WriteText(out, 18, AddressText(desk.address));
    WriteText(out + 18, 32, desk.name);
    StoreLe32(out + 52, desk.address);
    StoreLe32(out + 56, ClassMask(desk.address));
    StoreLe32(out + 60, static_cast<uint32_t>(desk.type));
    StoreLe32(out + 64, static_cast<uint32_t>(desk.emulation));
    StoreLe32(out + 68, static_cast<uint32_t>(desk.softwareVersion));
    StoreLe32(out + 72, static_cast<uint32_t>(desk.state));
    StoreLe32(out + 76, 0);  // reserved value: desks leave it zero
    StoreLe32(out + 80, static_cast<uint32_t>(desk.protocol));
    StoreLe16(out + 84, static_cast<uint16_t>(desk.displayVersion));
}

Bytes EncodeHeartbeat(const DeskDescription& desk) {
    Bytes out(kHeartbeatSize, 0);
    const uint8_t head[] = {'K', 'e', 'l', 0, 'A', 'D', 'M', 'I'};
    std::memcpy(out.data(), head, sizeof head);
    StoreLe32(&out[8], 168);
    WriteStationRecord(desk, &out[kHeartbeatStationOffset]);
    return out;
}

Bytes EncodeChat(const DeskDescription& sender, int32_t count,
                 const std::vector<uint32_t>& recipients, const std::string& text) {
    const size_t listed = count > 0 ? recipients.size() : 0;
    const size_t textOffset = kChatHeadSize + 4 * listed;
    if (textOffset + 1 > kChatMaxSize) {
        return {};
    }
    const size_t textLength = std::min(text.size(), kChatMaxSize - textOffset - 1);
    Bytes out(textOffset + textLength + 1, 0);
    WriteText(&out[0], 18, AddressText(sender.address));
    WriteText(&out[18], 32, sender.name);
    StoreLe32(&out[52], sender.address);
    StoreLe32(&out[56], ClassMask(sender.address));
    StoreLe32(&out[60], static_cast<uint32_t>(sender.type));
    StoreLe32(&out[64], static_cast<uint32_t>(sender.emulation));
    StoreLe32(&out[68], kChatMarker);
    StoreLe32(&out[72], static_cast<uint32_t>(count));
    for (size_t i = 0; i < listed; ++i) {
        StoreLe32(&out[kChatHeadSize + 4 * i], recipients[i]);
    }
    std::memcpy(&out[textOffset], text.data(), textLength);
    return out;
}

std::optional<ChatMessage> ParseChat(std::span<const uint8_t> d) {
    if (d.size() < kChatHeadSize) {
        return std::nullopt;
    }
    ChatMessage m;
    m.senderText = ReadText(&d[0], 18);
    m.senderName = ReadText(&d[18], 32);
    m.senderAddress = LoadLe32(&d[52]);
    m.senderType = LoadLeI32(&d[60]);
    m.emulation = LoadLeI32(&d[64]);
    m.count = LoadLeI32(&d[72]);
    size_t textOffset = kChatHeadSize;
    if (m.count > 0) {
        const size_t room = (d.size() - kChatHeadSize) / 4;
        const size_t listed = std::min(static_cast<size_t>(m.count), room);
        for (size_t i = 0; i < listed; ++i) {
            m.recipients.push_back(LoadLe32(&d[kChatHeadSize + 4 * i]));
        }
        textOffset += 4 * listed;
    }
    m.text = ReadText(d.data() + textOffset, d.size() - textOffset);
    return m;
}

std::string EscapeText(std::string_view text) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (u >= 32 && u < 127) {
                    out += c;
                } else {
                    out += "\\x";
                    out += kDigits[u >> 4];
                    out += kDigits[u & 15];
                }
        }
    }
    return out;
}

}  // namespace deskemu
