#pragma once
// The station's chat: the receiver thread that filters the chat group into
// the history, the send socket, and the text the operator has not sent yet.
// Chat is bound to the desk session: while none is established incoming
// messages are dropped and sends do nothing.
//
// Ownership: the application owns the one ChatService and hands it to the
// main frame by reference; the frame's handover is its sink.
//
// Threading: StartChat, StopChat, SendChatMessage, SetSink and the pending
// text belong to one control thread (the GUI thread). The receiver thread
// runs ReceiveDatagram; it reads the session query and the signalling bits,
// writes the history under its lock and calls the sink. OwnStation is read
// when chat starts (receiver) and on every send, and must not change while
// chat runs.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>

#include "chat/chat_history.h"
#include "platform/multicast_socket.h"

class ClientConnection;
class SessionState;

// A message as the history took it (UTF-8).
struct ChatMessage {
    std::string header;
    std::string text;
    bool foreign = false;  // not this station's own message
};

// Where the receiver hands its results. Every method is called on the
// receiver thread with the sink lock held: it must hand over and return,
// never wait for the control thread.
class ChatSink {
  public:
    virtual ~ChatSink() = default;
    // A message was added to the history.
    virtual void ChatMessageTaken(const ChatMessage& message) = 0;
    // The receiver could not set up its socket and ends. The front end shows
    // it with ReportSocketError(text, error).
    virtual void SocketSetupFailed(std::string text, int error) = 0;
};

// What chat asks of the desk session. Both are called from the receiver and
// the control thread, and must be thread-safe.
struct ChatSessionQuery {
    std::function<bool()> established;                     // a desk session's receive loop runs
    std::function<std::optional<uint32_t>()> currentDesk;  // the session's desk, if any
};

// The query answered by the station's session.
ChatSessionQuery SessionQueryOf(const ClientConnection& client);

enum class ChatMode {
    SendAndReceive,
    ReceiveOnly,  // listens without a send socket
    SendOnly,     // sends without a receiver
};

class ChatService {
  public:
    // state: its chatSignal bits decide about the beep per foreign message;
    // it must outlive this object.
    ChatService(const SessionState& state, ChatSessionQuery session);
    ~ChatService();  // stops chat
    ChatService(const ChatService&) = delete;
    ChatService& operator=(const ChatService&) = delete;

    // Null drops every handover (set-up failures are then reported directly
    // with ReportSocketError). After it returns no call to the previous sink
    // is in progress.
    void SetSink(ChatSink* sink);

    // Starts the receiver on OwnStation's address, then sets up the send
    // socket. Returns 0, or -1 after a reported set-up failure of the send
    // socket (the receiver keeps running). Nothing happens while chat runs.
    int StartChat(ChatMode mode = ChatMode::SendAndReceive);
    // Ends the receiver and waits for it, then closes the send socket.
    void StopChat();
    bool Running() const { return running_; }

    // Sends the text (UTF-8, line breaks as line feeds) to the session's
    // desk. True when it went out; without a session, without a send socket
    // or when the send fails, nothing happens (callers may ignore it).
    bool SendChatMessage(const std::string& text);

    // One received datagram (receiver thread; tests and fuzzers feed it
    // directly): taken into the history when a session is established and
    // the rules accept it. One of more than 1024 bytes is dropped, as a
    // receive into the 1024-byte buffer fails for it.
    void ReceiveDatagram(std::span<const uint8_t> bytes, uint32_t ownAddress);

    ChatHistory& History() { return history_; }

    // The unsent content of the New Message field; kept across openings of
    // the chat dialog. Control thread only.
    const std::string& PendingText() const { return pendingText_; }
    void SetPendingText(std::string text) { pendingText_ = std::move(text); }

  private:
    int Receive(WakeableWait wait, uint32_t ownAddress);
    int ReceiverSetupFailed(const char* text);
    int OpenSendSocket(uint32_t ownAddress);

    const SessionState& state_;
    ChatSessionQuery session_;
    ChatHistory history_;
    std::string pendingText_;
    MulticastWorkers receiver_;
    MulticastSocket sendSocket_;
    bool running_ = false;
    std::mutex sinkMutex_;
    ChatSink* sink_ = nullptr;
};
