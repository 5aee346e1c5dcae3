#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "discovery/desk_table.h"
#include "discovery/network_shared.h"
#include "platform/message_box.h"
#include "platform/tick.h"
#include "platform/winsock.h"

namespace {

std::atomic<uint32_t> g_ms{100000};
uint32_t FakeTicks() {
    return g_ms.load();
}

uint32_t Ip(const char* text) {
    return Ipv4FromText(text);
}

StationRecord Desk(const char* address, int32_t state = 1, const char* name = "FOH") {
    StationRecord s;
    SetStationAddress(s, Ip(address));
    s.SetName(name);
    s.type = 1;
    s.softwareVersion = 5500;
    s.protocol = 5500;
    s.displayVersion = 5500;
    s.state = state;
    return s;
}

// Records what the rules asked for, in order.
class FakeActions : public DeskTableActions {
  public:
    std::optional<uint32_t> current;
    bool dialogOpen = false;
    uint32_t dialogAddress = kNoAddress;
    std::function<void()> whileDialogRuns;  // events handled while it is open
    std::vector<std::string> log;

    std::optional<uint32_t> CurrentDesk() override { return current; }
    void Disconnect() override {
        log.push_back("Disconnect");
        current.reset();
    }
    void ShowLostConnection(uint32_t a) override { log.push_back("Lost " + Ipv4ToText(a)); }
    void OpenLostConnectionDialog(uint32_t a) override {
        log.push_back("Dialog " + Ipv4ToText(a));
        dialogOpen = true;
        dialogAddress = a;
        if (whileDialogRuns)
            whileDialogRuns();
    }
    bool LostConnectionDialogOpen(uint32_t& a) override {
        a = dialogAddress;
        return dialogOpen;
    }
    void EndLostConnectionDialog(int result) override {
        log.push_back("End " + std::to_string(result));
        dialogOpen = false;
    }
    void ReconnectSilently(uint32_t a) override { log.push_back("Reconnect " + Ipv4ToText(a)); }
    void ShowDeskList() override { log.push_back("ShowDeskList"); }
};

// A widget stand-in: keeps its own copy of the rows from the notifications
// alone, so the test sees whether they are enough to stay in step.
class MirrorView : public DeskTableView {
  public:
    explicit MirrorView(const DeskTable& table) : table_(table) {}
    std::vector<std::string> texts;
    std::vector<bool> icons;
    int textChanges = 0;

    void RowInserted(int i) override {
        texts.insert(texts.begin() + i, table_.Rows()[i].text);
        icons.insert(icons.begin() + i, table_.Rows()[i].connected);
    }
    void RowRemoved(int i) override {
        texts.erase(texts.begin() + i);
        icons.erase(icons.begin() + i);
    }
    void RowTextChanged(int i) override {
        texts[i] = table_.Rows()[i].text;
        ++textChanges;
    }
    void RowIconChanged(int i) override { icons[i] = table_.Rows()[i].connected; }
    void RowsCleared() override {
        texts.clear();
        icons.clear();
    }

  private:
    const DeskTable& table_;
};

class DeskTableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_ms = 100000;
        SetTickSource(&FakeTicks);
        SetMessageBoxHandler([](const MessageBoxRequest&) { return IDOK; });
        table.SetView(&view);
    }
    void TearDown() override { SetTickSource(nullptr); }

    std::vector<std::string> Addresses() const {
        std::vector<std::string> out;
        for (const auto& row : table.Rows())
            out.push_back(Ipv4ToText(row.entry.address));
        return out;
    }
    void ExpectViewInStep() const {
        std::vector<std::string> texts;
        std::vector<bool> icons;
        for (const auto& row : table.Rows()) {
            texts.push_back(row.text);
            icons.push_back(row.connected);
        }
        EXPECT_EQ(view.texts, texts);
        EXPECT_EQ(view.icons, icons);
    }

    FakeActions actions;
    DeskTable table{actions};
    MirrorView view{table};
};

TEST(DeskText, Layout) {
    struct Case {
        const char* name;
        int32_t type;
        int32_t emulation;
        int16_t version;
        const char* expected;
    } cases[] = {
        {"FOH", 1, 0, 5500, "192.168.0.10\nFOH\nKel Alpha 5.500"},
        {"", 0, 0, 3830, "192.168.0.10\nKel 3.830"},
        {"Stage", 6, 1, 5501, "192.168.0.10\nStage\nKel Gamma Emu 5.501"},
        {"X", 9, 0, -1500, "192.168.0.10\nX\nUNKNOWN -1.500"},
        {"Y", 5, 7, 0, "192.168.0.10\nY\nKel Beta Emu 0.000"},
        // Names are Windows-1252; their control characters are shown, never
        // obeyed (a line feed would forge a row line).
        {"Caf\xe9 \x80", 1, 0, 5500, "192.168.0.10\nCaf\u00e9 \u20ac\nKel Alpha 5.500"},
        {"A\x1b\x07\n\x81", 1, 0, 5500, "192.168.0.10\nA\u241b\u2407\u240a?\nKel Alpha 5.500"},
    };
    for (const Case& c : cases) {
        StationRecord s = Desk("192.168.0.10", 1, c.name);
        s.type = c.type;
        s.emulation = c.emulation;
        s.displayVersion = c.version;
        EXPECT_EQ(BuildDeskText(s), c.expected) << c.name;
    }
}

TEST_F(DeskTableTest, RowsOrderedByLittleEndianAddress) {
    const std::vector<std::vector<const char*>> arrivals = {
        {"10.0.0.1", "192.168.0.1", "10.0.0.2"},
        {"10.0.0.2", "192.168.0.1", "10.0.0.1"},
        {"192.168.0.1", "10.0.0.2", "10.0.0.1"},
    };
    for (const auto& order : arrivals) {
        table.ClearDeskList();
        for (const char* a : order)
            table.ApplyStation(Desk(a));
        EXPECT_EQ(Addresses(), (std::vector<std::string>{"10.0.0.1", "192.168.0.1", "10.0.0.2"}));
        ExpectViewInStep();
    }
    EXPECT_EQ(CompareDesks({0, Ip("10.0.0.1")}, {0, Ip("10.0.0.2")}), -1);
    EXPECT_EQ(CompareDesks({0, Ip("10.0.0.2")}, {0, Ip("192.168.0.1")}), 1);
}

TEST_F(DeskTableTest, RefreshTouchesTextOnlyWhenItChanged) {
    table.ApplyStation(Desk("10.0.0.1"));
    table.ApplyStation(Desk("10.0.0.9"));
    table.ApplyStation(Desk("10.0.0.9"));
    table.ApplyStation(Desk("10.0.0.9"));
    EXPECT_EQ(view.textChanges, 0);

    table.ApplyStation(Desk("10.0.0.9", 1, "Stage"));
    EXPECT_EQ(view.textChanges, 1);
    EXPECT_EQ(table.Rows()[1].text, "10.0.0.9\nStage\nKel Alpha 5.500");
    ExpectViewInStep();
}

TEST_F(DeskTableTest, AgesOutAfterMoreThan900UnitsAndNotBefore) {
    table.ApplyStation(Desk("10.0.0.1"));  // stamped at 30000 units
    g_ms = 102000;
    table.ApplyStation(Desk("10.0.0.2"));  // stamped at 30600
    g_ms = 103000;                         // 30900: exactly 900 after the first
    table.Age();
    EXPECT_EQ(table.RowCount(), 2);
    g_ms = 103004;  // 30901
    table.Age();
    EXPECT_EQ(Addresses(), std::vector<std::string>{"10.0.0.2"});

    // A heartbeat refreshes the stamp, so a desk that keeps sending stays.
    g_ms = 105000;
    table.ApplyStation(Desk("10.0.0.2"));
    g_ms = 107000;
    table.Age();
    EXPECT_EQ(table.RowCount(), 1);
    ExpectViewInStep();
    EXPECT_TRUE(actions.log.empty());
}

TEST_F(DeskTableTest, AgeingManyDesksKeepsTheViewInStep) {
    // The clock only goes forward: the old desks are heard first.
    for (bool young : {false, true}) {
        if (young)
            g_ms = 102000;
        for (int i = 1; i <= 40; ++i) {
            if ((i % 3 == 0) != young)
                continue;
            const std::string address = "10.0." + std::to_string(i % 7) + "." + std::to_string(i);
            table.ApplyStation(Desk(address.c_str()));
        }
    }
    g_ms = 104000;  // only the desks heard at 102000 are young enough
    table.Age();
    EXPECT_EQ(table.RowCount(), 13);
    ExpectViewInStep();
}

TEST_F(DeskTableTest, StateOtherThanOneRemovesAListedDeskAtOnce) {
    struct Case {
        const char* desk;
        int32_t state;
        bool current;
        std::vector<std::string> log;
    } cases[] = {
        {"10.0.0.5", 0, false, {}},
        {"10.0.0.5", 2, false, {}},
        {"10.0.0.5", 7, false, {}},
        {"10.0.0.5", 0, true, {"Disconnect", "Lost 10.0.0.5"}},
        {"10.0.0.5", 2, true, {"Disconnect", "Lost 10.0.0.5"}},
        // "No session" is no address: a desk listed at the all-ones address
        // leaving is not the loss of a session.
        {"255.255.255.255", 0, false, {}},
    };
    for (const Case& c : cases) {
        table.ClearDeskList();
        actions.log.clear();
        table.ApplyStation(Desk("10.0.0.4"));
        table.ApplyStation(Desk(c.desk));
        actions.current = c.current ? std::optional<uint32_t>(Ip(c.desk)) : std::nullopt;
        table.ApplyStation(Desk(c.desk, c.state));
        EXPECT_EQ(Addresses(), std::vector<std::string>{"10.0.0.4"}) << c.desk << " " << c.state;
        EXPECT_EQ(actions.log, c.log) << c.desk << " " << c.state;
        ExpectViewInStep();
    }
}

TEST_F(DeskTableTest, UnlistedDeskGoingAwayChangesNothing) {
    actions.current = Ip("10.0.0.5");
    table.ApplyStation(Desk("10.0.0.5", 0));
    table.ApplyStation(Desk("10.0.0.6", 2));
    EXPECT_EQ(table.RowCount(), 0);
    EXPECT_TRUE(actions.log.empty());
}

TEST_F(DeskTableTest, AgedOutCurrentDeskRunsTheLostConnectionDialog) {
    struct Case {
        int result;
        std::vector<std::string> log;
    } cases[] = {
        {IDOK, {"Dialog 10.0.0.5", "Disconnect", "ShowDeskList"}},
        {IDCANCEL, {"Dialog 10.0.0.5", "Disconnect", "ShowDeskList"}},
        {kLostDialogReconnected, {"Dialog 10.0.0.5"}},
    };
    for (const Case& c : cases) {
        g_ms += 10000;
        table.ClearDeskList();
        actions.log.clear();
        actions.current = Ip("10.0.0.5");
        table.ApplyStation(Desk("10.0.0.5"));
        table.ApplyStation(Desk("10.0.0.7"));
        g_ms += 4000;
        table.Age();
        actions.dialogOpen = false;
        table.LostConnectionDialogEnded(c.result);
        EXPECT_EQ(table.RowCount(), 0);
        EXPECT_EQ(actions.log, c.log) << c.result;
    }
}

TEST_F(DeskTableTest, ReconnectRulesWhileTheDialogWaits) {
    const uint32_t awaited = Ip("10.0.0.5");
    struct Case {
        const char* desk;
        int32_t state;
        std::optional<uint32_t> current;
        std::vector<std::string> log;
        bool listedConnected;
    } cases[] = {
        // Back while the session is closed: silent reconnect; the dialog
        // ends once it worked.
        {"10.0.0.5", 1, std::nullopt, {"Reconnect 10.0.0.5"}, false},
        // Back while the input channel survived: only the icon changes.
        {"10.0.0.5", 1, awaited, {"End 3"}, true},
        {"10.0.0.5", 0, std::nullopt, {"End 2"}, false},
        {"10.0.0.5", 2, awaited, {"End 2"}, false},
        {"10.0.0.5", 5, awaited, {}, false},
        {"10.0.0.6", 1, std::nullopt, {}, false},
        {"10.0.0.6", 0, std::nullopt, {}, false},
    };
    for (const Case& c : cases) {
        table.ClearDeskList();
        actions.log.clear();
        actions.dialogOpen = true;
        actions.dialogAddress = awaited;
        actions.current = c.current;
        table.ApplyStation(Desk(c.desk, c.state));
        EXPECT_EQ(actions.log, c.log) << c.desk << " state " << c.state;
        const int row = table.IndexOf(Ip(c.desk));
        EXPECT_EQ(row >= 0, c.state == 1);
        if (row >= 0) {
            EXPECT_EQ(table.Rows()[row].connected, c.listedConnected);
        }
        ExpectViewInStep();
    }
    // A listed desk that is heard again retries the reconnect every time.
    actions.log.clear();
    actions.current.reset();
    table.ApplyStation(Desk("10.0.0.5"));
    table.ApplyStation(Desk("10.0.0.5"));
    EXPECT_EQ(actions.log, (std::vector<std::string>{"Reconnect 10.0.0.5", "Reconnect 10.0.0.5"}));
}

TEST_F(DeskTableTest, DeskHeardWhileTheDialogWaitsEndsItWithoutDisconnect) {
    actions.current = Ip("10.0.0.5");
    table.ApplyStation(Desk("10.0.0.5"));
    g_ms = 104000;
    actions.whileDialogRuns = [this] {
        table.Age();  // a nested tick must not open a second dialog
        table.ApplyStation(Desk("10.0.0.5"));
    };
    table.Age();
    EXPECT_EQ(actions.log, (std::vector<std::string>{"Dialog 10.0.0.5", "End 3"}));
    EXPECT_EQ(Addresses(), std::vector<std::string>{"10.0.0.5"});
    EXPECT_TRUE(table.Rows()[0].connected);
    ExpectViewInStep();
}

TEST_F(DeskTableTest, IconFollowsRegistrationAndClearEmpties) {
    table.ApplyStation(Desk("10.0.0.1"));
    table.ApplyStation(Desk("10.0.0.2"));
    EXPECT_FALSE(table.Rows()[1].connected);
    table.SetDeskIcon(Ip("10.0.0.2"), 1);
    table.SetDeskIcon(Ip("10.0.0.3"), 1);  // not listed: nothing
    ExpectViewInStep();
    EXPECT_TRUE(table.Rows()[1].connected);
    table.SetDeskIcon(Ip("10.0.0.2"), 0);
    EXPECT_FALSE(table.Rows()[1].connected);
    table.ClearDeskList();
    EXPECT_EQ(table.RowCount(), 0);
    ExpectViewInStep();
}

}  // namespace
