#include "desk_emulator.h"

#include "emulator_core.h"
#include "service.h"

namespace deskemu {

DeskEmulator::Impl::~Impl() = default;

DeskEmulator::DeskEmulator(Options options)
    : options_(std::move(options)), impl_(std::make_unique<Impl>(options_)) {}

DeskEmulator::~DeskEmulator() {
    Stop();
}

bool DeskEmulator::Start(std::string* error) {
    std::string reason;
    std::lock_guard lock(impl_->serviceMutex);
    if (impl_->service) {
        return true;
    }
    if (!ParseAddress(options_.address) ||
        (!options_.ownInterface.empty() && !ParseAddress(options_.ownInterface))) {
        if (error) {
            *error = "not an IPv4 address: " + options_.address + " " + options_.ownInterface;
        }
        return false;
    }
    auto service = std::make_unique<Service>(*impl_);
    if (!service->Start(&reason)) {
        if (error) {
            *error = reason;
        }
        return false;
    }
    impl_->service = std::move(service);
    return true;
}

void DeskEmulator::Stop() {
    std::unique_ptr<Service> service;
    {
        std::lock_guard lock(impl_->serviceMutex);
        service.swap(impl_->service);
    }
    service.reset();  // joins every thread
}

bool DeskEmulator::Running() const {
    std::lock_guard lock(impl_->serviceMutex);
    return impl_->service != nullptr;
}

std::vector<std::string> DeskEmulator::Trace() const {
    return impl_->trace.Lines();
}
size_t DeskEmulator::TraceSize() const {
    return impl_->trace.Size();
}

std::optional<size_t> DeskEmulator::WaitForTrace(
    const std::function<bool(const std::string&)>& match, std::chrono::milliseconds timeout,
    size_t from) {
    return impl_->trace.WaitFor(match, timeout, from);
}

std::optional<size_t> DeskEmulator::WaitForTrace(const std::string& prefix,
                                                 std::chrono::milliseconds timeout, size_t from) {
    return impl_->trace.WaitFor(
        [&](const std::string& line) { return line.compare(0, prefix.size(), prefix) == 0; },
        timeout, from);
}

void DeskEmulator::SetTraceSink(std::function<void(const std::string&)> sink) {
    impl_->trace.SetSink(std::move(sink));
}

Frame DeskEmulator::Screen() const {
    return impl_->CurrentScreen();
}
Frame DeskEmulator::LastSentFrame() const {
    return impl_->LastSent();
}
uint64_t DeskEmulator::ScreensSent() const {
    return impl_->ScreensSent();
}
bool DeskEmulator::WaitForScreens(uint64_t count, std::chrono::milliseconds timeout) const {
    return impl_->WaitForScreens(count, timeout);
}

std::vector<Registration> DeskEmulator::Registrations() const {
    return impl_->Registrations();
}
size_t DeskEmulator::ConnectedStations() const {
    return impl_->OpenChannels(Channel::kInput);
}

void DeskEmulator::Beep(uint8_t sound) {
    impl_->QueueToDisplays(EncodeByteMessage(kBeepMessage, sound));
}
void DeskEmulator::InputPanel(uint8_t show) {
    impl_->QueueToDisplays(EncodeByteMessage(kInputPanelMessage, show));
}
void DeskEmulator::Mode(uint8_t mode) {
    impl_->deskMode = mode;
    impl_->QueueToDisplays(EncodeByteMessage(kDeskModeMessage, mode));
}
void DeskEmulator::ThrowOut() {
    impl_->QueueToDisplays(EncodeThrownOut());
}
void DeskEmulator::GoSilent() {
    impl_->silent = true;
}
void DeskEmulator::Resume() {
    impl_->silent = false;
}
void DeskEmulator::SetState(int32_t state) {
    impl_->state = state;
}
void DeskEmulator::Drop() {
    impl_->DropAll(kDropCommandReason);
}
void DeskEmulator::SetRefusal(std::optional<std::string> text) {
    impl_->SetRefusal(std::move(text));
}

void DeskEmulator::SetAnswerDelay(std::chrono::milliseconds delay) {
    impl_->answerDelayMs = static_cast<int>(delay.count());
}

bool DeskEmulator::SendChat(int32_t count, const std::vector<std::string>& recipients,
                            const std::string& text) {
    std::vector<uint32_t> addresses;
    for (const auto& r : recipients) {
        const auto a = ParseAddress(r);
        if (!a) {
            return false;
        }
        addresses.push_back(*a);
    }
    std::lock_guard lock(impl_->serviceMutex);
    const bool sent = impl_->service && impl_->service->SendChat(count, addresses, text);
    if (sent) {
        impl_->trace.Add("chat-sent count=" + std::to_string(count) + " text=" + EscapeText(text));
    }
    return sent;
}

bool DeskEmulator::Chat(const std::string& text) {
    const auto peers = impl_->ConnectedPeers();
    if (peers.empty()) {
        return ChatToAll(text);
    }
    return SendChat(static_cast<int32_t>(peers.size()), peers, text);
}
bool DeskEmulator::ChatToAll(const std::string& text) {
    return SendChat(-1, {}, text);
}
bool DeskEmulator::ChatToNobody(const std::string& text) {
    return SendChat(0, {}, text);
}
bool DeskEmulator::ChatTo(const std::string& address, const std::string& text) {
    return SendChat(1, {address}, text);
}

}  // namespace deskemu
