#pragma once
// Internals shared by the emulator's threads: the desk's state (screen,
// registrations, settings that commands change) and the set of station
// connections, each served by its own thread.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "desk_emulator.h"
#include "desk_screen.h"
#include "socket_io.h"
#include "trace_log.h"
#include "wire.h"

namespace deskemu {

class Service;  // the sockets and threads of one Start()..Stop() period

enum class Channel { kRegistration, kInput, kDisplay };
const char* ChannelName(Channel channel);

// Why a connection was asked to end from outside its thread.
constexpr const char* kStoppedReason = "stopped";
constexpr const char* kCompanionReason = "companion";
constexpr const char* kDropCommandReason = "drop-command";

struct Connection {
    Connection(Channel c, int socket, std::string from)
        : channel(c), fd(socket), peer(std::move(from)) {}

    const Channel channel;
    const int fd;  // owned and closed by the connection's thread
    const std::string peer;
    Waker stop;  // ends every wait of the thread
    Waker work;  // display channel: something to send
    std::atomic<bool> done{false};
    std::thread thread;
    // The same station's other channel: a display channel is paired with
    // the latest unpaired input channel from its address (a station opens
    // input, then display). Guarded by the emulator's connection lock.
    std::weak_ptr<Connection> partner;

    std::mutex mutex;  // guards the members below
    std::string endReason;
    std::deque<Bytes> outgoing;  // display channel: desk messages to send
    bool dirty = false;          // display channel: the screen changed
    bool fullFrame = false;      // display channel: send every pixel next

    void AskToEnd(const std::string& reason);
    void Queue(Bytes message);
    void MarkDirty(bool full);
};

// How a channel's thread ended.
struct ChannelEnd {
    enum Kind { kClosedByStation, kDropped, kStopped } kind = kStopped;
    std::string reason;
};

class DeskEmulator::Impl {
  public:
    explicit Impl(const Options& options);
    ~Impl();

    const Options options;
    const uint32_t address;       // the desk's own address
    const uint32_t ownInterface;  // multicast interface
    TraceLog trace;

    // ---- settings the commands change ----
    DeskDescription Description() const;
    std::atomic<int32_t> state;
    std::atomic<bool> silent{false};
    std::atomic<uint8_t> deskMode;
    std::optional<std::string> Refusal() const;
    void SetRefusal(std::optional<std::string> text);
    // How long the answer to a registration (1500) is held back.
    std::atomic<int> answerDelayMs{0};

    // ---- screen ----
    Frame CurrentScreen() const;
    // Applies a valid input message from peer to the screen.
    void ApplyInput(const InputMessage& message, const std::string& peer);
    void ScreenAcknowledged(const Frame& frame);
    Frame LastSent() const;
    uint64_t ScreensSent() const;
    bool WaitForScreens(uint64_t count, std::chrono::milliseconds timeout) const;

    // ---- registrations ----
    size_t AddRegistration(Registration r);
    void SetHandshakeEchoed(size_t index, bool echoed);
    std::vector<Registration> Registrations() const;

    // ---- connections ----
    void Serve(Channel channel, int fd, const std::string& peer);
    void Reap();     // joins the threads of ended connections
    void StopAll();  // ends every connection and joins its thread
    size_t OpenChannels(Channel channel) const;
    std::vector<std::string> ConnectedPeers() const;
    size_t QueueToDisplays(const Bytes& message);  // returns the number of stations reached
    void DropPartner(const Connection& c, const char* reason);
    void DropAll(const char* reason);

    // ---- lifetime (desk_emulator.cpp) ----
    std::mutex serviceMutex;
    std::unique_ptr<Service> service;

  private:
    void RunConnection(const std::shared_ptr<Connection>& c);
    void FinishConnection(Connection& c, const ChannelEnd& end);
    void ScreenChanged(const std::string& refreshPeer);

    mutable std::mutex settingsMutex_;
    std::optional<std::string> refusal_;

    mutable std::mutex screenMutex_;
    mutable std::condition_variable screensAcked_;
    DeskScreen screen_;
    Frame rendered_;
    Frame lastSent_;
    uint64_t screensSent_ = 0;

    mutable std::mutex registrationMutex_;
    std::vector<Registration> registrations_;

    mutable std::mutex connectionMutex_;
    std::list<std::shared_ptr<Connection>> connections_;
};

// The channel threads (channels.cpp).
ChannelEnd RunRegistration(DeskEmulator::Impl& desk, Connection& c);
ChannelEnd RunInput(DeskEmulator::Impl& desk, Connection& c);
ChannelEnd RunDisplay(DeskEmulator::Impl& desk, Connection& c);

}  // namespace deskemu
