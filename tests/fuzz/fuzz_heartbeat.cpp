// Feeds arbitrary datagrams to the heartbeat acceptance and applies every
// accepted station to a desk table, then ages it.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "discovery/desk_table.h"
#include "discovery/heartbeat_datagram.h"
#include "platform/message_box.h"
#include "platform/winsock.h"

namespace {

// A session that comes and goes with the desks, so the reconnect rules run.
class FuzzSession : public DeskTableActions {
  public:
    std::optional<uint32_t> CurrentDesk() override { return current; }
    void Disconnect() override { current.reset(); }
    // The operator gives up at once.
    void OpenLostConnectionDialog(uint32_t) override {
        if (table != nullptr)
            table->LostConnectionDialogEnded(IDOK);
    }
    bool LostConnectionDialogOpen(uint32_t& a) override {
        a = current.value_or(0);
        return current.has_value();
    }
    void ReconnectSilently(uint32_t a) override { current = a; }
    std::optional<uint32_t> current;
    DeskTable* table = nullptr;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSession session;
    DeskTable table(session);
    session.table = &table;
    // One input may carry several datagrams of 272 bytes and a short rest.
    for (size_t at = 0; at < size || at == 0; at += kHeartbeatSize) {
        const size_t length = std::min(kHeartbeatSize, size - at);
        const auto station = AcceptHeartbeat(std::span(data + at, length), 0x0100007F);
        if (station) {
            if (station->state == 1)
                session.current = station->address;
            table.ApplyStation(*station);
            const std::string text = BuildDeskText(*station);
            // Each byte of the desk's texts becomes at most three in UTF-8.
            if (text.size() > 3 * (18 + 32) + 64)
                __builtin_trap();
        }
        if (size == 0)
            break;
    }
    table.Age();
    for (size_t i = 1; i < table.Rows().size(); ++i) {
        if (table.Rows()[i - 1].entry.address >= table.Rows()[i].entry.address)
            __builtin_trap();
    }
    return 0;
}
