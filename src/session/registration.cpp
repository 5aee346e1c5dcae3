// The registration exchange on port 7003: the station sends its code (1500
// register, 1501 deregister); for 1500 the desk answers a STRING (null or
// empty = accepted, a text = refused); then the desk sends an int32 that the
// station echoes (the closing handshake) and the station resets the
// connection. Each read has a deadline for the whole exchange.

#include <cstdio>

#include "platform/desk_text.h"
#include "session/client_connection.h"
#include "session/client_session.h"
#include "session/connect_report.h"

namespace {

using Clock = std::chrono::steady_clock;

// The failure of the last read, as a Winsock number; a desk that simply
// closed the connection leaves no error behind.
int ReadFailure() {
    const int error = WSAGetLastError();
    return error != 0 ? error : WSAECONNRESET;
}

}  // namespace

std::string WithAddress(const char* format, uint32_t address) {
    char text[160];
    std::snprintf(text, sizeof text, format, Ipv4ToText(address).c_str());
    return text;
}

std::string WithAddressAndError(const char* format, uint32_t address, int error) {
    char text[200];
    std::snprintf(text, sizeof text, format, Ipv4ToText(address).c_str(), error);
    return text;
}

void ConnectReport::TellUnreachable(uint32_t desk, int error) const {
    Tell(error == WSAEHOSTUNREACH
             ? WithAddress("Could not connect to host %s\nHost is unreachable,\nno route to host.",
                           desk)
             : WithAddressAndError("Could not connect to host %s\n(errno %d).", desk, error),
         "Connect", error);
}

int ClientConnection::Register(uint32_t desk, int32_t code) {
    return RegisterDesk(desk, code, ConnectReport(nullptr)) == RegisterOutcome::Done ? 1 : 0;
}

ClientConnection::RegisterOutcome ClientConnection::RegisterDesk(uint32_t desk, int32_t code,
                                                                 const ConnectReport& report) {
    TCPCONNECTION channel;
    // A registration can be cancelled with the connect it belongs to; a
    // deregistration only by teardown, so the desk is told whenever possible.
    InFlight inFlight(*this, channel, code == kRegisterCode);
    if (inFlight.Interrupted() || !channel.Connect(MakeSocketAddress(desk, kRegistrationPort)) ||
        inFlight.Interrupted()) {
        if (code == kRegisterCode && !inFlight.Interrupted())
            report.TellUnreachable(desk, WSAGetLastError());
        return RegisterOutcome::Unreachable;
    }
    // Each exchange has a deadline, so a desk that drips its answer byte by
    // byte cannot hold the caller longer than a silent one.
    channel.Socket().SetReadDeadline(Clock::now() +
                                     std::chrono::milliseconds(answerTimeoutMs_.load()));
    channel.WriteInt32(code);
    SessionFrontEnd* frontEnd = FrontEnd();
    if (code == kRegisterCode) {
        // A desk that answers nothing (silent, or closing at once) has not
        // accepted the station.
        WSASetLastError(0);
        STRING answer;
        if (channel.ReadString(answer) == 0) {
            if (!inFlight.Interrupted())
                report.TellUnreachable(desk, ReadFailure());
            return RegisterOutcome::Unreachable;
        }
        if (!answer.IsNull() && !answer.Text().empty()) {
            report.TellDeskText(Windows1252ToUtf8(answer.Text()), "Kel Remote");
            return RegisterOutcome::Refused;
        }
        if (frontEnd)
            frontEnd->DeskRegistered(desk, true);
    } else if (frontEnd) {
        frontEnd->DeskRegistered(desk, false);
    }
    channel.Socket().SetReadDeadline(Clock::now() +
                                     std::chrono::milliseconds(handshakeTimeoutMs_.load()));
    int32_t closing = 0;
    if (channel.ReadInt32(closing) == 4)
        channel.WriteInt32(closing);
    channel.Close();
    return RegisterOutcome::Done;
}
