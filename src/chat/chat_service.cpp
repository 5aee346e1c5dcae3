#include "chat/chat_service.h"

#include <cerrno>
#include <ctime>

#include <poll.h>

#include "chat/chat_protocol.h"
#include "discovery/network_shared.h"
#include "discovery/station_record.h"
#include "platform/beep.h"
#include "platform/desk_text.h"
#include "platform/message_box.h"
#include "platform/winsock.h"
#include "session/client_connection.h"
#include "session/session_state.h"

namespace {

// The header line with the local time of now.
std::string HeaderNow(const ChatDatagram& datagram) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return ChatHeaderLine(datagram, local.tm_hour, local.tm_min, local.tm_sec);
}

}  // namespace

ChatSessionQuery SessionQueryOf(const ClientConnection& client) {
    return {[&client] { return client.IsReceiving(); }, [&client] { return client.CurrentDesk(); }};
}

ChatService::ChatService(const SessionState& state, ChatSessionQuery session)
    : state_(state), session_(std::move(session)) {}

ChatService::~ChatService() {
    StopChat();
}

void ChatService::SetSink(ChatSink* sink) {
    std::lock_guard lock(sinkMutex_);
    sink_ = sink;
}

int ChatService::StartChat(ChatMode mode) {
    if (running_)
        return 0;
    running_ = true;
    const uint32_t own = OwnStation.address;
    if (mode != ChatMode::SendOnly) {
        if (receiver_.Prepare()) {
            receiver_.Spawn([this](WakeableWait wait, uint32_t address) { Receive(wait, address); },
                            own);
        } else {
            // Without a way to wake the receiver it could not be stopped.
            ReportSocketError("Couldn't open socket\nfor chat receiver!", WSAGetLastError());
        }
    }
    if (mode == ChatMode::ReceiveOnly)
        return 0;
    return OpenSendSocket(own);
}

void ChatService::StopChat() {
    receiver_.Stop();
    sendSocket_.Close();
    running_ = false;
}

int ChatService::OpenSendSocket(uint32_t ownAddress) {
    const char* failure = nullptr;
    if (!sendSocket_.Open()) {
        failure = "Couldn't open socket\nfor chat sender!";
    } else if (!sendSocket_.ReuseAddress()) {
        failure = "Couldn't set socket options\nfor chat send socket! (ReuseAddress)";
    } else if (!sendSocket_.BindAny(kChatPort)) {
        failure = "Binding chat send socket failed! ";
    } else if (!sendSocket_.SendThrough(ownAddress)) {
        failure = "Couldn't set socket option\nfor chat send socket! (Multicast IF)";
    } else if (!sendSocket_.SetTtl(kChatTtl)) {
        failure = "Couldn't set socket options\nfor chat send socket! (SetTTL 8)";
    }
    if (failure == nullptr)
        return 0;
    const int error = WSAGetLastError();
    sendSocket_.Close();
    ReportSocketError(failure, error);
    return -1;
}

bool ChatService::SendChatMessage(const std::string& text) {
    if (!session_.established() || !sendSocket_.IsOpen())
        return false;
    const std::optional<uint32_t> desk = session_.currentDesk();
    if (!desk)
        return false;
    const std::vector<uint8_t> datagram =
        BuildChatDatagram(OwnStation, *desk, Utf8ToWindows1252(text));
    // Only a waker-less wait: the send runs on the control thread.
    if (WakeableWait(-1).For(sendSocket_.Handle(), POLLOUT, -1) < 0)
        return false;
    const sockaddr_in group = MakeSocketAddress(Ipv4FromText(kChatGroup), kChatPort);
    const ssize_t sent = ::sendto(sendSocket_.Handle(), datagram.data(), datagram.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&group), sizeof group);
    return sent == static_cast<ssize_t>(datagram.size());
}

int ChatService::ReceiverSetupFailed(const char* text) {
    const int error = WSAGetLastError();
    {
        std::lock_guard lock(sinkMutex_);
        if (sink_ != nullptr) {
            sink_->SocketSetupFailed(text, error);
            return -1;
        }
    }
    ReportSocketError(text, error);
    return -1;
}

int ChatService::Receive(WakeableWait wait, uint32_t ownAddress) {
    MulticastSocket s;
    if (!s.Open())
        return ReceiverSetupFailed("Couldn't open socket\nfor chat receiver!");
    if (!s.ReuseAddress())
        return ReceiverSetupFailed(
            "Couldn't set socket options\nfor chat recv socket! (ReuseAddress)");
    if (!s.BindAny(kChatPort))
        return ReceiverSetupFailed("Couldn't bind socket\nfor chat receiver!");
    if (!s.JoinGroup(Ipv4FromText(kChatGroup), ownAddress))
        return ReceiverSetupFailed("Couldn't set socket options\nfor chat socket! (AddMembership)");

    std::vector<uint8_t> buffer(kChatMaxSize);
    for (;;) {
        if (wait.For(s.Handle(), POLLIN, -1) < 0)
            return 0;
        // MSG_TRUNC gives the datagram's real size, so an oversized one is
        // recognised instead of being taken in part.
        const ssize_t n = ::recv(s.Handle(), buffer.data(), buffer.size(), MSG_TRUNC);
        if (n < 0 || static_cast<size_t>(n) > buffer.size())
            continue;
        ReceiveDatagram(std::span(buffer.data(), static_cast<size_t>(n)), ownAddress);
    }
}

void ChatService::ReceiveDatagram(std::span<const uint8_t> bytes, uint32_t ownAddress) {
    if (bytes.size() > kChatMaxSize || !session_.established())
        return;
    const auto datagram = ParseChatDatagram(bytes);
    if (!datagram || !AcceptChat(*datagram, ownAddress, session_.currentDesk()))
        return;
    ChatMessage message{HeaderNow(*datagram), Windows1252ToUtf8(datagram->text),
                        datagram->address != ownAddress};
    history_.Append(message.header, message.text);
    if (message.foreign && (state_.chatSignal.load() & kChatSignalBeep) != 0)
        MessageBeep(MB_ICONEXCLAMATION);
    std::lock_guard lock(sinkMutex_);
    if (sink_ != nullptr)
        sink_->ChatMessageTaken(message);
}
