// Input messages on the input channel. Every message is one write; fields
// are little-endian.
//
//   1 key          4 bytes  1, kind (1 character, 0 virtual key), u16 code
//   2 pointer      8 bytes  2, 0, u16 event, u16 x, u16 y
//   3 button       8 bytes  3, long, u16 key code, 0, 0, u16 0
//   4 cursor mode  2 bytes  4, cursor mode byte
//   5 refresh      1 byte   5
//   6 shortcut key 6 bytes  6, down, u16 virtual key, u16 modifier bits

#include <algorithm>

#include "platform/byte_order.h"
#include "session/client_connection.h"
#include "session/client_session.h"

namespace {

uint16_t WireCoordinate(int value) {
    return static_cast<uint16_t>(std::clamp(value, 0, 0xFFFF));
}

}  // namespace

bool ClientConnection::WriteInput(const void* message, int length, bool pollFirst) {
    const SessionPtr session = Current();
    if (!session || !session->input.IsOpen())
        return false;
    TCPSOCKET& socket = session->input.Socket();
    // A desk that stops reading must not freeze the GUI thread: pointer and
    // key events are dropped unless the channel takes them at once, buttons
    // wait a little.
    const auto wait = pollFirst ? std::chrono::milliseconds(0) : kButtonWriteTimeout;
    if (!socket.WaitWritable(wait))
        return false;
    return session->input.Write(message, length) == length;
}

void ClientConnection::SendKey(uint16_t code, uint8_t kind) {
    uint8_t message[4] = {1, kind};
    StoreLe16(message + 2, code);
    WriteInput(message, sizeof message, true);
}

void ClientConnection::SendPointer(int x, int y, uint16_t event) {
    if (state_.bigsize != 0) {  // the remote screen is shown twice as large
        x /= 2;
        y /= 2;
    }
    uint8_t message[8] = {2, 0};
    StoreLe16(message + 2, event);
    StoreLe16(message + 4, WireCoordinate(x));
    StoreLe16(message + 6, WireCoordinate(y));
    WriteInput(message, sizeof message, true);
}

void ClientConnection::SendButton(uint8_t isLong, uint16_t keyCode) {
    uint8_t message[8] = {3, isLong};
    StoreLe16(message + 2, keyCode);
    WriteInput(message, sizeof message, false);
}

void ClientConnection::SendCursorMode() {
    const uint8_t message[2] = {4, state_.cursorMode.load()};
    WriteInput(message, sizeof message, true);
}

void ClientConnection::SendCommand() {
    const uint8_t message[1] = {5};
    WriteInput(message, sizeof message, true);
}

void ClientConnection::SendShortcutKey(uint16_t virtualKey, uint16_t modifiers, uint8_t down) {
    uint8_t message[6] = {6, down};
    StoreLe16(message + 2, virtualKey);
    StoreLe16(message + 4, modifiers);
    WriteInput(message, sizeof message, true);
}

bool ClientConnection::SessionOpen() const {
    const SessionPtr session = Current();
    return session && session->input.IsOpen();
}
