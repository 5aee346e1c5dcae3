#pragma once
// The table of available desks, kept in step with the heartbeats: a model
// without widgets. The desk list widget mirrors it through DeskTableView;
// everything the rules need from the session and the dialogs comes through
// DeskTableActions, so the rules run the same under the window, the
// command-line tool and the tests.
//
// Threading: every member is called on one thread (the GUI thread; the
// heartbeat threads hand stations over, they never call in here). Actions
// and view notifications are called only while the table is consistent, so
// an action may run a nested event loop (a modal box) in which further
// stations are applied: re-entrant calls are safe.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "discovery/station_record.h"
#include "platform/winsock.h"

// One available desk: when it was heard last (StampNow units, 1/300 s) and
// its address (network-order bytes read little-endian).
struct DeskEntry {
    uint32_t stamp = 0;
    uint32_t address = 0;
};

// One row of the desk list.
struct DeskRow {
    DeskEntry entry;
    std::string text;        // BuildDeskText of the desk's latest station
    bool connected = false;  // icon: connected (image 0) or not (image 1)
};

// A desk stays listed while heard within this many StampNow units (3 s).
constexpr uint32_t kDeskLifetime = 900;

// Results with which the lost-connection dialog ends: the desk is back, or
// the operator or the desk gave up (IDCANCEL).
constexpr int kLostDialogReconnected = 3;
constexpr int kLostDialogGaveUp = 2;

// What the rules ask of the session and the dialogs. Called on the table's
// thread, never while the table is half-changed. The defaults stand for a
// station without a session and without dialogs (the command-line tool).
class DeskTableActions {
  public:
    virtual ~DeskTableActions() = default;
    // The session's desk; none without a session (never an address, so no
    // desk address can be mistaken for "no session").
    virtual std::optional<uint32_t> CurrentDesk() { return std::nullopt; }
    virtual void Disconnect() {}
    // "Lost connection to host %s." for the address.
    virtual void ShowLostConnection(uint32_t /*address*/) {}
    // Opens the lost-connection dialog for the address, modal for the
    // operator, and returns at once; when it ends, the front end reports how
    // with DeskTable::LostConnectionDialogEnded.
    virtual void OpenLostConnectionDialog(uint32_t /*address*/) {}
    // True while the lost-connection dialog is open; address receives the
    // desk it waits for.
    virtual bool LostConnectionDialogOpen(uint32_t& /*address*/) { return false; }
    virtual void EndLostConnectionDialog(int /*result*/) {}
    // The awaited desk is heard again and no session is open: reconnect
    // without questions. The dialog ends with kLostDialogReconnected once
    // the session is back; a failed attempt keeps it waiting for the next
    // heartbeat.
    virtual void ReconnectSilently(uint32_t /*address*/) {}
    // Back to the desk list view after the session was given up.
    virtual void ShowDeskList() {}
};

// Change notifications for the widget that shows the rows. Applied in
// order to the widget's own rows they keep it equal to Rows(): each index
// refers to the widget's rows after the notifications before it (removals of
// one pass come from the highest index down). Rows() already shows the end
// state when they arrive.
class DeskTableView {
  public:
    virtual ~DeskTableView() = default;
    virtual void RowInserted(int index) = 0;
    virtual void RowRemoved(int index) = 0;
    virtual void RowTextChanged(int index) = 0;
    virtual void RowIconChanged(int index) = 0;
    virtual void RowsCleared() = 0;
};

// Row text, in UTF-8: address text, "\n", the name and "\n" when it is not
// empty, the type name, " Emu" for an emulation, " " and the display
// version / 1000 as "%1.3f". The desk's texts are decoded from Windows-1252,
// their control characters shown as symbols.
std::string BuildDeskText(const StationRecord& station);

// Row order: ascending by the address read as an unsigned 32-bit value of
// its network-order bytes taken little-endian (the last octet weighs most).
// -1 when a comes first, otherwise 1; two desks never compare equal.
int CompareDesks(const DeskEntry& a, const DeskEntry& b);

class DeskTable {
  public:
    explicit DeskTable(DeskTableActions& actions, DeskTableView* view = nullptr);

    void SetView(DeskTableView* view) { view_ = view; }

    // A station heard by the heartbeat receiver: adds, refreshes or removes
    // its desk, and carries out the lost-desk and reconnect rules.
    void ApplyStation(const StationRecord& station);

    // Removes every desk not heard for more than kDeskLifetime units; a lost
    // current desk opens the lost-connection dialog.
    void Age();
    // The lost-connection dialog ended with IDOK, IDCANCEL (the operator or
    // the desk gave up: the session is closed and the list shown) or
    // kLostDialogReconnected.
    void LostConnectionDialogEnded(int result);

    // Marks the desk's row as connected or not (registration and
    // deregistration).
    void SetDeskIcon(uint32_t address, int connected);

    // Empties the table (own-address change, teardown).
    void ClearDeskList();

    const std::vector<DeskRow>& Rows() const { return rows_; }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    // Row index of the desk, or -1 when it is not listed.
    int IndexOf(uint32_t address) const;

  private:
    std::vector<DeskRow>::iterator LowerBound(uint32_t address);
    void InsertDesk(const StationRecord& station);
    void AwaitedDeskHeard(uint32_t address);
    void AwaitedDeskLeaving(uint32_t address);
    bool Awaits(uint32_t address);

    DeskTableActions& actions_;
    DeskTableView* view_;
    std::vector<DeskRow> rows_;
};
