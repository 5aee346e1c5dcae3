// Desks that break the protocol on purpose, written from the wire formats:
// each is met by kel-remote-cli snapshot (exit code, error text, no PNG) and
// by the station's session (what reaches the front end, no frame drawn).

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "display/memory_surface.h"
#include "loopback_peer.h"
#include "session/client_connection.h"
#include "session/session_state.h"
#include "session_fakes.h"

#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_options() {
    return "die_after_fork=0";
}
#endif

namespace {

// What the desk does on its display channel once the station is connected;
// done() turns true when the station has given up.
using DeskScript = std::function<void(LoopbackPeer& display, const std::function<bool()>& done)>;

void SendThenClose(LoopbackPeer& display, std::vector<uint8_t> bytes, bool reset) {
    display.Send(bytes);
    if (reset) {
        display.ResetConnection();
    } else {
        display.CloseConnection();
    }
}

struct HostileCase {
    const char* name;
    std::string refusal;  // when set, the desk refuses the registration with it
    DeskScript script;
    int exitCode;
    std::string cliText;  // how the tool's error output ends
    std::string box;      // the box the session asks for ("" = none)
    bool lost;            // "Lost connection" reaches the front end
    bool draws;           // whole screens arrive before the fault
};

// Refusal bytes: Windows-1252, with an escape sequence, a bell, a carriage
// return, a NUL, an ellipsis (0x85) and an undefined byte (0x81).
const std::string kRefusal("Busy\x1b[2J\a\rX\0Y\x85\x81", 15);

std::vector<HostileCase> Cases() {
    const auto cut = [](std::vector<uint8_t> bytes, bool reset) -> DeskScript {
        return [bytes, reset](LoopbackPeer& d, const std::function<bool()>&) {
            SendThenClose(d, bytes, reset);
        };
    };
    // Screens of no words, sent on and on; acknowledgements never read.
    const DeskScript neverReads = [](LoopbackPeer& d, const std::function<bool()>& done) {
        std::vector<uint8_t> screens;
        for (int i = 0; i < 4096; ++i)
            screens.insert(screens.end(), {3, 0, 0, 0});
        while (!done()) {
            d.Send(screens);  // fails at once when the station has reset
            std::this_thread::sleep_for(1ms);
        }
    };
    return {
        {"type byte then FIN", "", cut({3}, false), 1, "", "", true, false},
        {"type byte then RST", "", cut({3}, true), 1, "", "", true, false},
        {"one count byte then FIN", "", cut({3, 0, 5}, false), 1, "", "", true, false},
        {"code words cut short", "", cut({3, 0, 2, 0, 0xFF}, false), 1, "", "", true, false},
        {"acknowledgements never read", "", neverReads, 1, "", "", true, true},
        {"refusal with controls and NUL", kRefusal, nullptr, 3, "Busy?[2J??X?Y\u2026?\n",
         "Busy\x1b[2J\a\rX" + std::string(1, '\0') + "Y\u2026\u0081", false, false},
    };
}

// The desk's three ports on its own loopback address.
struct FakeDesk {
    explicit FakeDesk(const std::string& address, const std::string& refusal)
        : registrar(
              address,
              refusal.empty() ? ScriptedRegistrar::Answer::Null : ScriptedRegistrar::Answer::Refuse,
              refusal),
          input(address, ClientConnection::kInputPort),
          // A small receive buffer: unread acknowledgements stall the station
          // after kilobytes, not megabytes.
          display(address, ClientConnection::kDisplayPort, 4096) {}

    // Takes the station's channels and plays the script on another thread.
    std::thread Play(const DeskScript& script, std::function<bool()> done) {
        if (!script || !input.Accept(30s) || !display.Accept(30s))
            return {};
        return std::thread([this, script, done] { script(display, done); });
    }

    ScriptedRegistrar registrar;
    LoopbackPeer input;
    LoopbackPeer display;
};

struct CliRun {
    int exitCode = -1;
    std::string errors;
};

CliRun RunSnapshot(const std::string& desk, const QString& png, const HostileCase& c,
                   FakeDesk& fake) {
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("KEL_REMOTE_REGISTRY", QDir::temp().filePath("kel-hostile-test.ini"));
    cli.setProcessEnvironment(environment);
    // Frames enough that only the desk's behaviour can end the run early.
    cli.start(KEL_REMOTE_CLI, {"snapshot", QString::fromStdString(desk), png, "--frames",
                               "100000000", "--timeout", "40"});
    std::atomic<bool> ended{false};
    std::thread script = fake.Play(c.script, [&ended] { return ended.load(); });
    const bool finished = cli.waitForFinished(90000);
    if (!finished)
        cli.kill();
    cli.waitForFinished();
    ended = true;
    if (script.joinable())
        script.join();
    if (!finished || cli.exitStatus() != QProcess::NormalExit)
        return {};
    return {cli.exitCode(), cli.readAllStandardError().toStdString()};
}

TEST(HostileDesk, MetWithALostSessionOrAVisibleText) {
    int n = 0;
    for (const HostileCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        // A desk address of its own per run, so its ports are always free.
        const std::string cliDesk = "127.0.0." + std::to_string(70 + 2 * n);
        const std::string stationDesk = "127.0.0." + std::to_string(71 + 2 * n++);
        {
            FakeDesk fake(cliDesk, c.refusal);
            QTemporaryDir folder;
            const QString png = folder.filePath("desk.png");
            const CliRun run = RunSnapshot(cliDesk, png, c, fake);
            EXPECT_EQ(run.exitCode, c.exitCode) << run.errors;
            const std::string text =
                c.lost ? "Lost connection to host " + cliDesk + ".\n" : c.cliText;
            EXPECT_TRUE(run.errors.ends_with(text)) << run.errors;
            EXPECT_FALSE(QFile::exists(png));
        }
        FakeDesk fake(stationDesk, c.refusal);
        RecordedDialogs dialogs;
        RecordingFrontEnd frontEnd;
        MemorySurface surface;
        SessionState state;
        ClientConnection client{state};
        client.SetFrontEnd(&frontEnd);
        client.SetDisplayTarget(&surface);
        const std::string lost = "lost " + stationDesk;
        client.Connect(Address(stationDesk.c_str()), 0);
        std::thread script = fake.Play(c.script, [&] { return frontEnd.log.Count(lost) > 0; });
        if (c.lost) {
            EXPECT_TRUE(frontEnd.log.WaitFor(lost, 60s));
        } else {
            EXPECT_EQ(frontEnd.log.Count(lost), 0);
        }
        if (script.joinable())
            script.join();
        if (!c.draws) {
            EXPECT_EQ(surface.Presented(), 0);
        } else {
            // Met after some kilobytes of unread acknowledgements, not
            // after the megabytes a kernel-tuned send buffer would hold.
            EXPECT_LT(surface.Presented(), 100000);
        }
        const auto boxes = dialogs.Requests();
        ASSERT_EQ(boxes.size(), c.box.empty() ? 0u : 1u);
        if (!c.box.empty()) {
            EXPECT_EQ(boxes[0].text, c.box);
            EXPECT_TRUE(boxes[0].fromDesk);
        }
        client.Disconnect();
        client.SetDisplayTarget(nullptr);
    }
}

}  // namespace
