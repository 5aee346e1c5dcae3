// The settings sheet's model: what confirming stores, stops and changes,
// checked in the settings store. The cursor option is checked on the desk
// emulator (settings_desk_test).

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "discovery/own_address.h"
#include "platform/winsock.h"
#include "recorded_dialogs.h"
#include "recording_sink.h"
#include "scratch_settings.h"
#include "session/session_state.h"
#include "settings/registry.h"
#include "settings/settings.h"
#include "settings/settings_keys.h"
#include "settings/settings_model.h"

namespace {

class SettingsModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sink.sessionOpen = false;
        hooks.stopChatRepeatTimer = [this] { ++timerStops; };
        hooks.changeOwnAddress = [this](uint32_t address) { changes.push_back(address); };
    }
    void TearDown() override { SetHostLookup(nullptr); }

    ScratchSettings store;  // fresh for each case of a table
    SessionState state;
    RecordingSink sink;
    RecordedDialogs dialogs;
    SettingsHooks hooks;
    int timerStops = 0;
    std::vector<uint32_t> changes;
};

TEST_F(SettingsModelTest, HoldTimesAreTakenWhenTheSliderStopsAndStoredOnlyWhenChanged) {
    struct Move {
        int kind;
        int position;  // 0: only select the kind
    };
    struct Case {
        const char* name;
        uint32_t hardware, software;
        std::vector<Move> moves;
        std::vector<int> shown;  // slider position after each selection
        std::optional<uint32_t> storedHardware, storedSoftware;
    } cases[] = {
        {"software slider writes only swBtnHold", 400, 400, {{1, 4}}, {2}, std::nullopt, 800},
        {"ends of the slider", 400, 400, {{0, 5}, {1, 1}}, {2, 2}, 1000, 200},
        {"each kind shows its own time", 400, 1000, {{0, 0}, {1, 0}, {0, 0}}, {2, 5, 2}, {}, {}},
        {"back to the stored time writes nothing", 600, 400, {{0, 4}, {0, 3}}, {3, 4}, {}, {}},
    };
    for (const Case& c : cases) {
        store.Fresh();
        state.hwBtnHold = c.hardware;
        state.swBtnHold = c.software;
        SettingsModel model(state, sink, hooks);
        std::vector<int> shown;
        for (const Move& move : c.moves) {
            model.Buttons().SelectKind(move.kind);
            shown.push_back(model.Buttons().SliderPosition());
            if (move.position != 0)
                model.Buttons().MoveEnded(move.position);
        }
        model.Confirm();
        EXPECT_EQ(shown, c.shown) << c.name;
        EXPECT_EQ(ReadHardwareHold(), c.storedHardware) << c.name;
        EXPECT_EQ(ReadSoftwareHold(), c.storedSoftware) << c.name;
        EXPECT_EQ(state.hwBtnHold.load(), c.storedHardware.value_or(c.hardware)) << c.name;
        EXPECT_EQ(state.swBtnHold.load(), c.storedSoftware.value_or(c.software)) << c.name;
    }
}

TEST_F(SettingsModelTest, ChatSignalIsAlwaysStoredAndARepeatWithoutBothBitsStops) {
    struct Case {
        const char* name;
        uint32_t before;
        std::optional<bool> signal, repeat;  // nothing: the page was never touched
        bool repeatEnabled;
        uint32_t stored;
        int timerStops;
    } cases[] = {
        {"page never shown", 3, {}, {}, true, 3, 0},
        {"signal off keeps the repeat mark", 3, false, {}, false, 2, 1},
        {"repeat off", 3, {}, false, true, 1, 1},
        {"both on", 0, true, true, true, 3, 0},
    };
    for (const Case& c : cases) {
        store.Fresh();
        timerStops = 0;
        state.chatSignal = c.before;
        SettingsModel model(state, sink, hooks);
        if (c.signal)
            model.Chat().signal = *c.signal;
        if (c.repeat)
            model.Chat().repeat = *c.repeat;
        EXPECT_EQ(model.Chat().RepeatEnabled(), c.repeatEnabled) << c.name;
        model.Confirm();
        EXPECT_EQ(ReadChatSignal(), c.stored) << c.name;
        EXPECT_EQ(state.chatSignal.load(), c.stored) << c.name;
        EXPECT_EQ(timerStops, c.timerStops) << c.name;
    }
}

TEST_F(SettingsModelTest, OwnAddressPicks) {
    HostLookup host{true, "console-7", {}};
    for (const char* a : {"192.168.1.20", "10.0.0.7", "172.16.3.3"})
        host.addresses.push_back(Ipv4FromText(a));
    struct Case {
        const char* name;
        const char* stored;  // null: no ip value
        int selected;
        bool session;
        int pick;  // -1: none
        int shownAfterPick;
        std::vector<std::string> changes;
    } cases[] = {
        {"stored third, second temporary", "172.16.3.3", 1, false, -1, -1, {}},
        {"nothing stored", nullptr, 0, false, 0, 0, {"192.168.1.20"}},
        {"loopback stored", "127.0.0.1", 2, false, 0, 0, {"192.168.1.20"}},
        {"same address again", "172.16.3.3", 1, false, 1, 1, {"172.16.3.3"}},
        {"refused while connected", "172.16.3.3", 1, true, 2, 1, {}},
    };
    for (const Case& c : cases) {
        store.Fresh();
        changes.clear();
        SetHostLookup([host] { return host; });
        ASSERT_EQ(RegWriteValue(HKEY_LOCAL_MACHINE, kTempIpsKey, "10.0.0.7", REG_SZ, "x"), 0);
        if (c.stored != nullptr)
            WritePreferredAddress(Ipv4FromText(c.stored));
        sink.sessionOpen = c.session;
        SettingsModel model(state, sink, hooks);
        OwnAddressSettings& page = model.Address();
        ASSERT_TRUE(page.Available());
        EXPECT_EQ(page.Entries(),
                  (std::vector<std::string>{"192.168.1.20", "172.16.3.3", "127.0.0.1"}));
        EXPECT_EQ(page.Selected(), c.selected) << c.name;
        if (c.pick >= 0) {
            EXPECT_EQ(page.SelectionChanged(c.pick), c.shownAfterPick) << c.name;
        }
        model.Confirm();
        std::vector<std::string> changed;
        for (uint32_t a : changes)
            changed.push_back(Ipv4ToText(a));
        EXPECT_EQ(changed, c.changes) << c.name;
        EXPECT_EQ(dialogs.SawText("Changing IP not possible while connected."), c.session)
            << c.name;
    }
    const auto boxes = dialogs.Requests();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().caption, "Kel Remote");
    EXPECT_EQ(boxes.back().type & MB_ICONMASK, unsigned(MB_ICONWARNING));
}

}  // namespace
