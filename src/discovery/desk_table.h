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
#include <string>
#include <vector>

#include "discovery/station_record.h"

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

// Result with which the lost-connection dialog ends when its desk is back.
constexpr int kLostDialogReconnected = 3;

// What the rules ask of the session and the dialogs. Called on the table's
// thread, never while the table is half-changed.
class DeskTableActions {
  public:
    virtual ~DeskTableActions() = default;
    // Peer of the session's input channel; kNoAddress when no session.
    virtual uint32_t CurrentDesk() = 0;
    virtual void Disconnect() = 0;
    // "Lost connection to host %s." for the address.
    virtual void ShowLostConnection(uint32_t address) = 0;
    // Runs the lost-connection dialog for the address modally and returns
    // how it ended (IDOK, IDCANCEL, or kLostDialogReconnected).
    virtual int RunLostConnectionDialog(uint32_t address) = 0;
    // True while the lost-connection dialog is open; address receives the
    // desk it waits for.
    virtual bool LostConnectionDialogOpen(uint32_t& address) = 0;
    virtual void EndLostConnectionDialog(int result) = 0;
    // Connect(address, silent): silent = 1 for the reconnect without
    // questions.
    virtual void Connect(uint32_t address, int silent) = 0;
    // Back to the desk list view after the session was given up.
    virtual void ShowDeskList() = 0;
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

// Row text: address text, "\n", the name and "\n" when it is not empty,
// the type name, " Emu" for an emulation, " " and the display version / 1000
// as "%1.3f".
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
    void EndDialogIfAwaited(uint32_t address, bool deskIsBack);

    DeskTableActions& actions_;
    DeskTableView* view_;
    std::vector<DeskRow> rows_;
};
