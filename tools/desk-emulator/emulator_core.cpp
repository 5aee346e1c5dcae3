#include "emulator_core.h"
#include "service.h"

#include <algorithm>
#include <set>

namespace deskemu {
namespace {

uint32_t AddressOrLoopback(const std::string& text) {
    return ParseAddress(text).value_or(0x0100007F);  // 127.0.0.1
}

std::string StatusOfInput(const InputMessage& m) {
    switch (m.kind) {
        case InputMessage::kKey:
            return "key " + std::to_string(m.code);
        case InputMessage::kButton:
            return "button " + std::to_string(m.code) + (m.flag ? " long" : "");
        case InputMessage::kCursorMode:
            return "cursor mode " + std::to_string(m.flag);
        case InputMessage::kShortcut:
            return std::string("shortcut ") + (m.flag ? "down " : "up ") + std::to_string(m.code) +
                   " mod " + std::to_string(m.modifiers);
        default:
            return {};
    }
}

}  // namespace

const char* ChannelName(Channel channel) {
    switch (channel) {
        case Channel::kRegistration:
            return "registration";
        case Channel::kInput:
            return "input";
        case Channel::kDisplay:
            return "display";
    }
    return "?";
}

void Connection::AskToEnd(const std::string& reason) {
    {
        std::lock_guard lock(mutex);
        if (endReason.empty()) {
            endReason = reason;
        }
    }
    stop.Wake();
}

void Connection::Queue(Bytes message) {
    {
        std::lock_guard lock(mutex);
        outgoing.push_back(std::move(message));
    }
    work.Wake();
}

void Connection::MarkDirty(bool full) {
    {
        std::lock_guard lock(mutex);
        dirty = true;
        fullFrame = fullFrame || full;
    }
    work.Wake();
}

DeskEmulator::Impl::Impl(const Options& o)
    : options(o),
      address(AddressOrLoopback(o.address)),
      ownInterface(o.ownInterface.empty() ? address : AddressOrLoopback(o.ownInterface)),
      trace(o.keepTrace),
      state(o.state),
      deskMode(o.deskMode),
      refusal_(o.refusal),
      screen_(o.name) {
    rendered_ = screen_.Render();
    lastSent_.assign(kScreenPixels, 0);
}

DeskDescription DeskEmulator::Impl::Description() const {
    DeskDescription d;
    d.address = address;
    d.name = options.name;
    d.type = options.type;
    d.emulation = options.emulation ? 1 : 0;
    d.softwareVersion = options.softwareVersion;
    d.state = state.load();
    d.protocol = options.protocol;
    d.displayVersion = options.displayVersion;
    return d;
}

std::optional<std::string> DeskEmulator::Impl::Refusal() const {
    std::lock_guard lock(settingsMutex_);
    return refusal_;
}

void DeskEmulator::Impl::SetRefusal(std::optional<std::string> text) {
    std::lock_guard lock(settingsMutex_);
    refusal_ = std::move(text);
}

Frame DeskEmulator::Impl::CurrentScreen() const {
    std::lock_guard lock(screenMutex_);
    return rendered_;
}

void DeskEmulator::Impl::ApplyInput(const InputMessage& m, const std::string& peer) {
    bool changed = false;
    {
        std::lock_guard lock(screenMutex_);
        switch (m.kind) {
            case InputMessage::kPointer:
                changed = screen_.Pointer(m.code, m.x, m.y);
                break;
            case InputMessage::kKey:
                changed =
                    m.flag == 1 ? screen_.Character(m.code) : screen_.Status(StatusOfInput(m));
                break;
            case InputMessage::kRefresh:
                break;
            default:
                changed = screen_.Status(StatusOfInput(m));
        }
        if (changed) {
            rendered_ = screen_.Render();
        }
    }
    if (m.kind == InputMessage::kRefresh) {
        ScreenChanged(peer);
    } else if (changed) {
        ScreenChanged({});
    }
}

void DeskEmulator::Impl::ScreenChanged(const std::string& refreshPeer) {
    std::lock_guard lock(connectionMutex_);
    for (auto& c : connections_) {
        if (c->channel != Channel::kDisplay || c->done) {
            continue;
        }
        if (refreshPeer.empty()) {
            c->MarkDirty(false);
        } else if (c->peer == refreshPeer) {
            c->MarkDirty(true);
        }
    }
}

void DeskEmulator::Impl::ScreenAcknowledged(const Frame& frame) {
    {
        std::lock_guard lock(screenMutex_);
        lastSent_ = frame;
        ++screensSent_;
    }
    screensAcked_.notify_all();
}

Frame DeskEmulator::Impl::LastSent() const {
    std::lock_guard lock(screenMutex_);
    return lastSent_;
}

uint64_t DeskEmulator::Impl::ScreensSent() const {
    std::lock_guard lock(screenMutex_);
    return screensSent_;
}

bool DeskEmulator::Impl::WaitForScreens(uint64_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(screenMutex_);
    return screensAcked_.wait_for(lock, timeout, [&] { return screensSent_ >= count; });
}

size_t DeskEmulator::Impl::AddRegistration(Registration r) {
    std::lock_guard lock(registrationMutex_);
    registrations_.push_back(std::move(r));
    return registrations_.size() - 1;
}

void DeskEmulator::Impl::SetHandshakeEchoed(size_t index, bool echoed) {
    std::lock_guard lock(registrationMutex_);
    registrations_.at(index).handshakeEchoed = echoed;
}

std::vector<Registration> DeskEmulator::Impl::Registrations() const {
    std::lock_guard lock(registrationMutex_);
    return registrations_;
}

void DeskEmulator::Impl::Serve(Channel channel, int fd, const std::string& peer) {
    auto c = std::make_shared<Connection>(channel, fd, peer);
    if (channel != Channel::kRegistration) {
        trace.Add(std::string("station-connected channel=") + ChannelName(channel) +
                  " peer=" + peer);
    }
    std::lock_guard lock(connectionMutex_);
    if (channel == Channel::kDisplay) {
        for (auto it = connections_.rbegin(); it != connections_.rend(); ++it) {
            auto& input = *it;
            if (input->channel == Channel::kInput && input->peer == peer && !input->done &&
                input->partner.expired()) {
                input->partner = c;
                c->partner = input;
                break;
            }
        }
    }
    connections_.push_back(c);
    c->thread = std::thread([this, c] { RunConnection(c); });
}

void DeskEmulator::Impl::RunConnection(const std::shared_ptr<Connection>& c) {
    ChannelEnd end;
    switch (c->channel) {
        case Channel::kRegistration:
            end = RunRegistration(*this, *c);
            break;
        case Channel::kInput:
            end = RunInput(*this, *c);
            break;
        case Channel::kDisplay:
            end = RunDisplay(*this, *c);
            break;
    }
    // Counted as closed before its trace line appears, so that a test that
    // saw the line also sees the count.
    c->done = true;
    FinishConnection(*c, end);
}

void DeskEmulator::Impl::FinishConnection(Connection& c, const ChannelEnd& end) {
    const std::string where = std::string(" channel=") + ChannelName(c.channel) + " peer=" + c.peer;
    switch (end.kind) {
        case ChannelEnd::kClosedByStation:
            trace.Add("station-closed" + where);
            CloseOrderly(c.fd);
            break;
        case ChannelEnd::kDropped:
            trace.Add("station-dropped reason=" + end.reason + where);
            CloseAbortive(c.fd);
            if (end.reason != kCompanionReason && end.reason != kDropCommandReason &&
                c.channel != Channel::kRegistration) {
                DropPartner(c, kCompanionReason);
            }
            break;
        case ChannelEnd::kStopped:
            CloseOrderly(c.fd);
            break;
    }
}

void DeskEmulator::Impl::Reap() {
    std::list<std::shared_ptr<Connection>> ended;
    {
        std::lock_guard lock(connectionMutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            if ((*it)->done) {
                ended.push_back(*it);
                it = connections_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& c : ended) {
        c->thread.join();
    }
}

void DeskEmulator::Impl::StopAll() {
    std::list<std::shared_ptr<Connection>> all;
    {
        std::lock_guard lock(connectionMutex_);
        all.swap(connections_);
    }
    for (auto& c : all) {
        c->AskToEnd(kStoppedReason);
    }
    for (auto& c : all) {
        c->thread.join();
    }
}

size_t DeskEmulator::Impl::OpenChannels(Channel channel) const {
    std::lock_guard lock(connectionMutex_);
    return static_cast<size_t>(
        std::count_if(connections_.begin(), connections_.end(),
                      [&](auto& c) { return c->channel == channel && !c->done; }));
}

std::vector<std::string> DeskEmulator::Impl::ConnectedPeers() const {
    std::set<std::string> peers;
    std::lock_guard lock(connectionMutex_);
    for (auto& c : connections_) {
        if (c->channel == Channel::kInput && !c->done) {
            peers.insert(c->peer);
        }
    }
    return {peers.begin(), peers.end()};
}

size_t DeskEmulator::Impl::QueueToDisplays(const Bytes& message) {
    size_t reached = 0;
    std::lock_guard lock(connectionMutex_);
    for (auto& c : connections_) {
        if (c->channel == Channel::kDisplay && !c->done) {
            c->Queue(message);
            ++reached;
        }
    }
    return reached;
}

void DeskEmulator::Impl::DropPartner(const Connection& c, const char* reason) {
    std::lock_guard lock(connectionMutex_);
    if (auto partner = c.partner.lock(); partner && !partner->done) {
        partner->AskToEnd(reason);
    }
}

void DeskEmulator::Impl::DropAll(const char* reason) {
    std::lock_guard lock(connectionMutex_);
    for (auto& c : connections_) {
        if (c->channel != Channel::kRegistration && !c->done) {
            c->AskToEnd(reason);
        }
    }
}

}  // namespace deskemu
