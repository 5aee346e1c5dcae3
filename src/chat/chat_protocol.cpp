#include "chat/chat_protocol.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "platform/byte_order.h"
#include "platform/desk_text.h"

namespace {

constexpr size_t kNameOffset = 18;
constexpr size_t kNameSize = 32;
constexpr size_t kAddressOffset = 52;
constexpr size_t kMaskOffset = 56;
constexpr size_t kTypeOffset = 60;
constexpr size_t kEmulationOffset = 64;
constexpr size_t kMarkerOffset = 68;
constexpr size_t kCountOffset = 72;
constexpr size_t kAddressTextSize = 18;

// The bytes of a fixed field up to its first NUL.
std::string FieldText(const uint8_t* field, size_t size) {
    const auto* end = std::find(field, field + size, uint8_t{0});
    return std::string(reinterpret_cast<const char*>(field), static_cast<size_t>(end - field));
}

}  // namespace

std::vector<uint8_t> BuildChatDatagram(const StationRecord& sender, uint32_t desk,
                                       std::string_view text) {
    const size_t textOffset = kChatHeadSize + 4;
    const size_t length = std::min(text.size(), kChatTextLimit);
    std::vector<uint8_t> out(textOffset + length + 1, 0);

    std::array<uint8_t, StationRecord::kSize> record{};
    sender.Serialize(record);
    std::copy_n(record.begin(), kMarkerOffset, out.begin());
    out[kNameOffset + kNameSize - 1] = 0;
    out[50] = 0;  // reserved
    out[51] = 0;
    StoreLe32(&out[kMaskOffset], ClassMask(sender.address));
    StoreLe32(&out[kMarkerOffset], kChatMarker);
    StoreLe32(&out[kCountOffset], 1);
    StoreLe32(&out[kChatHeadSize], desk);
    std::memcpy(&out[textOffset], text.data(), length);
    return out;
}

std::optional<ChatDatagram> ParseChatDatagram(std::span<const uint8_t> bytes) {
    if (bytes.size() < kChatHeadSize)
        return std::nullopt;
    const uint8_t* p = bytes.data();
    ChatDatagram d;
    d.addressText = FieldText(p, kAddressTextSize);
    d.name = FieldText(p + kNameOffset, kNameSize);
    d.address = LoadLe32(p + kAddressOffset);
    d.type = LoadLeI32(p + kTypeOffset);
    d.emulation = LoadLeI32(p + kEmulationOffset);
    d.count = LoadLeI32(p + kCountOffset);

    size_t textOffset = kChatHeadSize;
    if (d.count > 0) {
        // Counted in 64 bits: a count near 2^31 must not wrap.
        const uint64_t listBytes = 4 * static_cast<uint64_t>(d.count);
        if (listBytes > bytes.size() - kChatHeadSize)
            return std::nullopt;
        d.recipients.reserve(static_cast<size_t>(d.count));
        for (size_t i = 0; i < static_cast<size_t>(d.count); ++i)
            d.recipients.push_back(LoadLe32(p + kChatHeadSize + 4 * i));
        textOffset += static_cast<size_t>(listBytes);
    }
    d.text = FieldText(p + textOffset, bytes.size() - textOffset);
    return d;
}

bool AcceptChat(const ChatDatagram& d, uint32_t ownAddress, std::optional<uint32_t> currentDesk) {
    if (d.address == ownAddress)
        return true;
    if (d.count == kChatToEveryone)
        return true;
    if (d.count <= 0)
        return false;
    return std::any_of(d.recipients.begin(), d.recipients.end(), [&](uint32_t recipient) {
        return recipient == ownAddress ||
               (recipient == currentDesk && d.type == kRemoteStationType);
    });
}

std::string ChatHeaderLine(const ChatDatagram& d, int hour, int minute, int second) {
    const std::string name = Windows1252ToUtf8(d.name);
    const std::string address = Windows1252ToUtf8(d.addressText);
    char time[32];
    std::snprintf(time, sizeof time, "%2.2d:%2.2d:%2.2d:", hour, minute, second);
    return std::string(DeskTypeName(d.type)) + " " + (d.emulation != 0 ? "Emu " : " ") + "(" +
           name + " " + address + ") " + time;
}
