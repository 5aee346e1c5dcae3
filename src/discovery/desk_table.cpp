#include "discovery/desk_table.h"

#include <algorithm>
#include <cstdio>

#include "discovery/network_shared.h"
#include "platform/desk_text.h"
#include "platform/message_box.h"
#include "platform/winsock.h"

namespace {

// A text of the desk's own, in Windows-1252, which may hold anything; the
// common plain one is taken as it is.
std::string Shown(const std::string& bytes) {
    const bool plain = std::all_of(bytes.begin(), bytes.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
    });
    return plain ? bytes : DisplaySafe(Windows1252ToUtf8(bytes), false);
}

}  // namespace

std::string BuildDeskText(const StationRecord& station) {
    std::string text = Shown(station.AddressText()) + "\n";
    const std::string name = Shown(station.Name());
    if (!name.empty())
        text += name + "\n";
    text += DeskTypeName(station.type);
    if (station.emulation != 0)
        text += " Emu";
    char version[32];
    std::snprintf(version, sizeof version, " %1.3f", station.displayVersion / 1000.0);
    return text + version;
}

int CompareDesks(const DeskEntry& a, const DeskEntry& b) {
    return a.address < b.address ? -1 : 1;
}

DeskTable::DeskTable(DeskTableActions& actions, DeskTableView* view)
    : actions_(actions), view_(view) {}

std::vector<DeskRow>::iterator DeskTable::LowerBound(uint32_t address) {
    return std::lower_bound(
        rows_.begin(), rows_.end(), address,
        [](const DeskRow& row, uint32_t wanted) { return row.entry.address < wanted; });
}

int DeskTable::IndexOf(uint32_t address) const {
    const auto it = std::lower_bound(
        rows_.begin(), rows_.end(), address,
        [](const DeskRow& row, uint32_t wanted) { return row.entry.address < wanted; });
    if (it == rows_.end() || it->entry.address != address)
        return -1;
    return static_cast<int>(it - rows_.begin());
}

void DeskTable::ApplyStation(const StationRecord& station) {
    const int index = IndexOf(station.address);
    if (index < 0) {
        if (station.state == 1) {
            InsertDesk(station);
            AwaitedDeskHeard(station.address);
        } else if (station.state == 0 || station.state == 2) {
            AwaitedDeskLeaving(station.address);
        }
        return;
    }

    DeskRow& row = rows_[index];
    if (station.state == 1) {
        row.entry.stamp = StampNow();
        std::string text = BuildDeskText(station);
        if (text != row.text) {
            row.text = std::move(text);
            if (view_ != nullptr)
                view_->RowTextChanged(index);
        }
        // A reconnect that failed is tried again at the next heartbeat.
        AwaitedDeskHeard(station.address);
        return;
    }

    const uint32_t address = row.entry.address;
    rows_.erase(rows_.begin() + index);
    if (view_ != nullptr)
        view_->RowRemoved(index);
    if (address == actions_.CurrentDesk()) {
        actions_.Disconnect();
        actions_.ShowLostConnection(address);
    }
}

void DeskTable::InsertDesk(const StationRecord& station) {
    DeskRow row;
    row.entry = DeskEntry{StampNow(), station.address};
    row.text = BuildDeskText(station);
    const auto at = rows_.insert(LowerBound(station.address), std::move(row));
    if (view_ != nullptr)
        view_->RowInserted(static_cast<int>(at - rows_.begin()));
}

bool DeskTable::Awaits(uint32_t address) {
    uint32_t awaited = kNoAddress;
    return actions_.LostConnectionDialogOpen(awaited) && awaited == address;
}

void DeskTable::AwaitedDeskHeard(uint32_t address) {
    if (!Awaits(address))
        return;
    // The session may have survived the silence; then only the icon shows
    // that the desk is registered again.
    if (!actions_.CurrentDesk()) {
        actions_.ReconnectSilently(address);
        return;
    }
    SetDeskIcon(address, 1);
    actions_.EndLostConnectionDialog(kLostDialogReconnected);
}

void DeskTable::AwaitedDeskLeaving(uint32_t address) {
    if (Awaits(address))
        actions_.EndLostConnectionDialog(kLostDialogGaveUp);
}

void DeskTable::Age() {
    const uint32_t now = StampNow();
    const std::optional<uint32_t> current = actions_.CurrentDesk();
    bool lostCurrent = false;
    std::vector<int> removed;
    for (int i = RowCount() - 1; i >= 0; --i) {
        const DeskEntry& entry = rows_[i].entry;
        if (entry.stamp + kDeskLifetime < now) {
            removed.push_back(i);
            if (entry.address == current)
                lostCurrent = true;
        }
    }
    if (removed.empty())
        return;

    // One compaction pass keeps ageing linear when many desks leave at once.
    const auto stale = [now](const DeskRow& row) { return row.entry.stamp + kDeskLifetime < now; };
    rows_.erase(std::remove_if(rows_.begin(), rows_.end(), stale), rows_.end());
    if (view_ != nullptr) {
        for (int index : removed)
            view_->RowRemoved(index);
    }

    if (!lostCurrent)
        return;
    uint32_t awaited = kNoAddress;
    if (actions_.LostConnectionDialogOpen(awaited))
        return;  // already waiting for it
    actions_.OpenLostConnectionDialog(*current);
}

void DeskTable::LostConnectionDialogEnded(int result) {
    if (result == IDOK || result == IDCANCEL) {
        actions_.Disconnect();
        actions_.ShowDeskList();
    }
}

void DeskTable::SetDeskIcon(uint32_t address, int connected) {
    const int index = IndexOf(address);
    if (index < 0)
        return;
    const bool wanted = connected != 0;
    if (rows_[index].connected == wanted)
        return;
    rows_[index].connected = wanted;
    if (view_ != nullptr)
        view_->RowIconChanged(index);
}

void DeskTable::ClearDeskList() {
    if (rows_.empty())
        return;
    rows_.clear();
    if (view_ != nullptr)
        view_->RowsCleared();
}
