#include "session/tcp_connection.h"

#include <vector>

#include "platform/byte_order.h"

int TCPCONNECTION::Connect(const sockaddr_in& address) {
    Close();
    socket_.Open();
    if (sendBufferLimit_ > 0)
        socket_.LimitSendBuffer(sendBufferLimit_);
    if (socket_.Connect(address) != 0)
        return 0;
    peer_ = AddressOf(address);
    open_ = true;
    return 1;
}

void TCPCONNECTION::Adopt(SOCKET fd, uint32_t peer) {
    Close();
    socket_.Adopt(fd);
    peer_ = peer;
    open_ = true;
}

void TCPCONNECTION::Close() {
    open_ = false;
    peer_ = kNoAddress;
    socket_.Close();
}

int TCPCONNECTION::Read(void* buffer, int n) {
    if (!open_)
        return -1;
    return socket_.Read(buffer, n);
}

int TCPCONNECTION::Write(const void* buffer, int n,
                         std::optional<std::chrono::milliseconds> limit) {
    if (!open_)
        return -1;
    return socket_.Write(buffer, n, limit);
}

int TCPCONNECTION::ReadInt32(int32_t& value) {
    uint8_t bytes[4];
    if (Read(bytes, 4) != 4)
        return -1;
    value = LoadLeI32(bytes);
    return 4;
}

int TCPCONNECTION::WriteInt32(int32_t value, std::optional<std::chrono::milliseconds> limit) {
    uint8_t bytes[4];
    StoreLe32(bytes, static_cast<uint32_t>(value));
    return Write(bytes, 4, limit);
}

int TCPCONNECTION::WriteString(const STRING& text) {
    if (text.IsNull())
        return WriteInt32(-1);
    // One write for length and characters, so the frame leaves as one piece.
    const auto length = static_cast<uint32_t>(text.Text().size());
    std::vector<uint8_t> frame(4 + length);
    StoreLe32(frame.data(), length);
    std::copy(text.Text().begin(), text.Text().end(), frame.begin() + 4);
    return Write(frame.data(), static_cast<int>(frame.size()));
}

int TCPCONNECTION::ReadString(STRING& text) {
    text.SetNull();
    int32_t length = 0;
    if (ReadInt32(length) != 4)
        return 0;
    if (length > STRING::kMaxLength) {
        Close();
        return 1;
    }
    if (length < 0)
        return 1;
    std::string characters(static_cast<size_t>(length), '\0');
    if (Read(characters.data(), length) != length)
        return 0;
    text = STRING(std::move(characters));
    return 1;
}
