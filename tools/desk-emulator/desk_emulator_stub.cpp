#include "desk_emulator.h"

namespace deskemu {

struct DeskEmulator::Impl {};

DeskEmulator::DeskEmulator(Options options) : options_(std::move(options)) {}
DeskEmulator::~DeskEmulator() = default;
bool DeskEmulator::Start(std::string* error) {
    if (error)
        *error = "not implemented yet";
    return false;
}
void DeskEmulator::Stop() {}
bool DeskEmulator::Running() const {
    return false;
}
std::vector<std::string> DeskEmulator::Trace() const {
    return {};
}
size_t DeskEmulator::TraceSize() const {
    return 0;
}
std::optional<size_t> DeskEmulator::WaitForTrace(const std::function<bool(const std::string&)>&,
                                                 std::chrono::milliseconds, size_t) {
    return std::nullopt;
}
std::optional<size_t> DeskEmulator::WaitForTrace(const std::string&, std::chrono::milliseconds,
                                                 size_t) {
    return std::nullopt;
}
void DeskEmulator::SetTraceSink(std::function<void(const std::string&)>) {}
Frame DeskEmulator::Screen() const {
    return Frame(kScreenPixels, 0);
}
Frame DeskEmulator::LastSentFrame() const {
    return Frame(kScreenPixels, 0);
}
uint64_t DeskEmulator::ScreensSent() const {
    return 0;
}
bool DeskEmulator::WaitForScreens(uint64_t, std::chrono::milliseconds) const {
    return false;
}
std::vector<Registration> DeskEmulator::Registrations() const {
    return {};
}
size_t DeskEmulator::ConnectedStations() const {
    return 0;
}
void DeskEmulator::Beep(uint8_t) {}
void DeskEmulator::InputPanel(uint8_t) {}
void DeskEmulator::Mode(uint8_t) {}
void DeskEmulator::ThrowOut() {}
void DeskEmulator::GoSilent() {}
void DeskEmulator::Resume() {}
void DeskEmulator::SetState(int32_t) {}
void DeskEmulator::Drop() {}
void DeskEmulator::Chat(const std::string&) {}
void DeskEmulator::ChatToAll(const std::string&) {}
void DeskEmulator::ChatToNobody(const std::string&) {}
void DeskEmulator::ChatTo(const std::string&, const std::string&) {}
bool DeskEmulator::Execute(const std::string&, std::string* error) {
    if (error)
        *error = "not implemented yet";
    return false;
}

}  // namespace deskemu
