// Feeds arbitrary datagrams to the chat receiver's path: reading, the
// acceptance rules, the header line, the code page and the history. The
// first byte picks the current desk among a few addresses the data may name.

#include <cstdint>
#include <span>
#include <string>

#include "chat/chat_protocol.h"
#include "chat/chat_service.h"
#include "platform/desk_text.h"
#include "session/session_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static SessionState state;
    state.chatSignal = 0;  // no sounds
    static uint32_t desk = 0;
    static ChatService chat(state, {[] { return true; }, [] { return desk; }});
    if (size == 0)
        return 0;
    const uint32_t desks[] = {0x0A00000A, 0x0100007F, 0xFFFFFFFF, 0};
    desk = desks[data[0] % 4];
    const std::span<const uint8_t> bytes(data + 1, size - 1);

    if (const auto d = ParseChatDatagram(bytes)) {
        if (d->text.size() > bytes.size() || d->name.size() > 32 || d->addressText.size() > 18)
            __builtin_trap();
        if (d->count > 0 && d->recipients.size() != static_cast<size_t>(d->count))
            __builtin_trap();
        const std::string header = ChatHeaderLine(*d, 23, 59, 59);
        const std::string shown = DisplaySafe(header, false) + TerminalSafe(d->text);
        if (shown.find('\n') != std::string::npos)
            __builtin_trap();
        AcceptChat(*d, 0x0100007F, desk);
    }
    chat.ReceiveDatagram(bytes, 0x0100007F);
    if (chat.History().Strings().size() > ChatHistory::kMaxStrings)
        __builtin_trap();
    return 0;
}
