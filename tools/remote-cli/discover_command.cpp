// kel-remote-cli discover: listens to the heartbeat group on the own address
// and lists the desks as the station's desk list would, one line per desk
// when it is first heard and "gone ADDRESS" when it leaves. It never
// announces itself.

#include <QString>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli_text.h"
#include "commands.h"
#include "discovery/desk_table.h"
#include "discovery/heartbeat.h"
#include "discovery/network_shared.h"
#include "discovery/own_address.h"
#include "discovery/station_inbox.h"
#include "platform/desk_text.h"
#include "platform/message_box.h"
#include "platform/winsock.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kAgeingInterval = std::chrono::milliseconds(900);

// Heartbeat handovers for the main thread: the latest record per desk waits
// in a bounded inbox, and the main thread is woken once for any number.
class InboxSink : public HeartbeatSink {
  public:
    StationInbox inbox;

    void StationHeard(StationRecord station) override {
        if (!inbox.Put(station))
            return;
        std::lock_guard lock(mutex_);
        drainAsked_ = true;
        wake_.notify_one();
    }
    void AgeTick() override {}
    void SocketSetupFailed(std::string text, int error) override {
        ReportSocketError(text, error);
        std::lock_guard lock(mutex_);
        failed_ = true;
        wake_.notify_one();
    }

    // Waits until a drain is asked for, a thread failed or the time has
    // come; true when a drain was asked for.
    bool Wait(Clock::time_point until, bool& failed) {
        std::unique_lock lock(mutex_);
        wake_.wait_until(lock, until, [this] { return drainAsked_ || failed_; });
        failed = failed_;
        return std::exchange(drainAsked_, false);
    }

  private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool drainAsked_ = false;
    bool failed_ = false;
};

std::string DeskLine(const StationRecord& s) {
    char version[32];
    std::snprintf(version, sizeof version, "%1.3f", s.displayVersion / 1000.0);
    std::string type = DeskTypeName(s.type);
    if (s.emulation != 0)
        type += " Emu";
    return Ipv4ToText(s.address) + "\t" + TerminalSafe(Windows1252ToUtf8(s.Name())) + "\t" + type +
           "\t" + version;
}

void PrintLine(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

// Prints the table's changes; keeps the listed addresses so that a removed
// row can still be named.
class PrintingView : public DeskTableView {
  public:
    explicit PrintingView(const DeskTable& table) : table_(table) {}
    const StationRecord* applying = nullptr;

    void RowInserted(int index) override {
        listed_.insert(listed_.begin() + index, table_.Rows()[index].entry.address);
        if (applying != nullptr) {
            PrintLine(DeskLine(*applying));
            ++printed_;
        }
    }
    void RowRemoved(int index) override {
        PrintLine("gone " + Ipv4ToText(listed_[index]));
        listed_.erase(listed_.begin() + index);
    }
    void RowTextChanged(int) override {}
    void RowIconChanged(int) override {}
    void RowsCleared() override { listed_.clear(); }
    int Printed() const { return printed_; }

  private:
    const DeskTable& table_;
    std::vector<uint32_t> listed_;
    int printed_ = 0;
};

const char kDiscoverHelp[] =
    "Usage: kel-remote-cli discover [--seconds S]\n"
    "\n"
    "Listens to the desks' heartbeats for S seconds (default 3, at most 86400)\n"
    "without announcing itself and prints one line per desk when it is first\n"
    "heard: ADDRESS<TAB>NAME<TAB>TYPE NAME[ Emu]<TAB>VERSION, and \"gone ADDRESS\"\n"
    "when it leaves. When no desk was heard it says so on standard error.\n"
    "\n"
    "Exit codes: 0 done (desks heard or not), 1 usage error or no network.\n";

std::optional<double> ParseSeconds(const QStringList& args, std::string& why) {
    double seconds = 3;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] != "--seconds") {
            why = "unexpected argument '" + args[i].toStdString() + "'";
            return std::nullopt;
        }
        bool ok = false;
        const QString value = i + 1 < args.size() ? args[++i] : QString();
        seconds = value.toDouble(&ok);
        if (!ok || seconds < 0 || seconds > 24 * 3600.0) {
            why = "--seconds needs a number from 0 to 86400, not '" + value.toStdString() + "'";
            return std::nullopt;
        }
    }
    return seconds;
}

}  // namespace

int RunDiscover(const QStringList& args) {
    if (const auto done = HelpOrVersion(args, kDiscoverHelp))
        return *done;
    std::string why;
    const auto seconds = ParseSeconds(args, why);
    if (!seconds)
        return UsageError("discover", why);
    if (ResolveOwnAddress() == 0)
        return 1;

    DeskTableActions session;
    DeskTable table(session);
    PrintingView view(table);
    table.SetView(&view);
    InboxSink sink;
    SetHeartbeatSink(&sink);
    StartHeartbeats(HeartbeatMode::ReceiveOnly);

    const auto applyWaiting = [&] {
        for (const StationRecord& station : sink.inbox.Take()) {
            view.applying = &station;
            table.ApplyStation(station);
            view.applying = nullptr;
        }
    };
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(*seconds));
    auto nextAgeing = Clock::now() + kAgeingInterval;
    bool failed = false;
    bool moreWaiting = false;
    while (!failed && Clock::now() < end) {
        if (moreWaiting || sink.Wait(std::min(end, nextAgeing), failed)) {
            applyWaiting();
            moreWaiting = !sink.inbox.FinishDrain();
        }
        if (Clock::now() >= nextAgeing) {
            // What was heard counts before anything is aged out, however
            // long the batches took.
            applyWaiting();
            table.Age();
            nextAgeing += kAgeingInterval;
        }
    }

    StopHeartbeats();
    SetHeartbeatSink(nullptr);
    if (const uint64_t dropped = sink.inbox.Dropped(); dropped > 0) {
        std::fprintf(stderr,
                     "kel-remote-cli: more than %zu desks at once; %llu heartbeats of further "
                     "desks were dropped\n",
                     StationInbox::kDefaultCapacity, static_cast<unsigned long long>(dropped));
    }
    if (!failed && view.Printed() == 0) {
        std::fprintf(stderr,
                     "no desks heard in %g s: check the network cable, VLAN and that multicast "
                     "reaches this machine\n",
                     *seconds);
    }
    return failed ? 1 : 0;
}
