// The operator's pointer, keys and bar buttons on the station's real frame,
// checked as the desk emulator reads them from the input channel. The tick
// count is injected, so hold times are exact without waiting.

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolButton>
#include <QWheelEvent>
#include <QtTest>
#include <atomic>
#include <functional>
#include <memory>

#include "app/handheld_dlg.h"
#include "app/screen_info.h"
#include "desk_emulator.h"
#include "discovery/station_record.h"
#include "display/display_surface.h"
#include "frame/command_bar.h"
#include "frame/desk_list.h"
#include "frame/frame_handover.h"
#include "frame/main_frame.h"
#include "input/remote_input.h"
#include "platform/beep.h"
#include "platform/tick.h"
#include "platform/winsock.h"
#include "recorded_dialogs.h"
#include "session/client_connection.h"
#include "session/session_state.h"
#include "test_station.h"

namespace {

constexpr int kWaitMs = 15000;
constexpr auto kWait = std::chrono::milliseconds(kWaitMs);
const char kDeskAddress[] = "127.0.0.2";

std::atomic<uint32_t> g_tick{1000};
uint32_t FakeTick() {
    return g_tick.load();
}

// The trace lines of input messages; the end mark (a cursor-mode message)
// shows as "|".
bool IsInputLine(const std::string& line) {
    for (const char* prefix : {"key ", "pointer ", "shortcut ", "button ", "refresh"}) {
        if (line.rfind(prefix, 0) == 0)
            return true;
    }
    return false;
}

void SendMouse(QWidget& target, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, target.mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(&target, &event);
}

// One key of a key script: a name and the Qt key it stands for.
struct NamedKey {
    const char* name;
    int qtKey;
    const char* text;
};
constexpr NamedKey kKeys[] = {
    {"Left", Qt::Key_Left, ""},    {"Tab", Qt::Key_Tab, "\t"},   {"F5", Qt::Key_F5, ""},
    {"Ctrl", Qt::Key_Control, ""}, {"Shift", Qt::Key_Shift, ""},
};

Qt::KeyboardModifier ModifierOf(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Control:
            return Qt::ControlModifier;
        case Qt::Key_Shift:
            return Qt::ShiftModifier;
        default:
            return Qt::NoModifier;
    }
}

// The text a letter key types with the modifiers held, as the X11 platform
// reports it.
QString LetterText(char letter, Qt::KeyboardModifiers held) {
    if (held.testFlag(Qt::ControlModifier))
        return QString(QChar(letter - 'a' + 1));
    return QString(QChar(held.testFlag(Qt::ShiftModifier) ? letter - 'a' + 'A' : letter));
}

}  // namespace

class FrameInputDeskTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<deskemu::DeskEmulator> desk_;
    std::unique_ptr<TestStation> station_;
    std::unique_ptr<CHandheldDlg> window_;
    std::unique_ptr<RecordedDialogs> dialogs_;
    int marks_ = 0;  // end marks sent since the trace position was taken

    CMainFrame& Frame() { return *window_->Frame(); }
    ClientConnection& Client() { return station_->client; }
    SessionState& State() { return station_->state; }

    void OpenSession() {
        // Button states posted by an earlier Disconnect come first.
        QCoreApplication::processEvents();
        if (!Client().CurrentDesk()) {
            QCOMPARE(Client().Connect(Ipv4FromText(kDeskAddress), 0),
                     ClientConnection::ConnectResult::Connected);
        }
        QTRY_COMPARE_WITH_TIMEOUT(State().deskReady.load(), 1, kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(Frame().DeskList().isHidden(), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(Frame().CommandBar().IsButtonEnabled(kCmdViews), kWaitMs);
    }

    void Mark() {
        Client().SendCursorMode();
        ++marks_;
    }

    // Input messages the desk read from trace line `from` on, up to the end
    // mark this call sends; earlier marks show as "|".
    QStringList DeskInputSince(size_t from) {
        Mark();
        size_t at = from;
        for (int seen = 0; seen < marks_; ++seen) {
            const auto mark = desk_->WaitForTrace("cursor-mode ", kWait, at);
            if (!mark)
                return {QStringLiteral("(no end mark)")};
            at = *mark + 1;
        }
        marks_ = 0;
        QStringList lines;
        const std::vector<std::string> trace = desk_->Trace();
        for (size_t i = from; i + 1 < at; ++i) {
            if (trace[i].rfind("cursor-mode ", 0) == 0)
                lines << QStringLiteral("|");
            else if (IsInputLine(trace[i]))
                lines << QString::fromStdString(trace[i]);
        }
        return lines;
    }

    // Runs a key script against the frame: "+x" presses, "-x" releases,
    // "~" marks an auto-repeat event, "|" sends a mark. Letters are keys
    // a to z; other names are in kKeys.
    void RunKeys(QWidget& target, const QString& script) {
        Qt::KeyboardModifiers held;
        for (const QString& token : script.split(' ', Qt::SkipEmptyParts)) {
            if (token == QLatin1String("|")) {
                Mark();
                continue;
            }
            QString rest = token;
            const bool repeat = rest.startsWith('~');
            if (repeat)
                rest.remove(0, 1);
            const bool press = rest.startsWith('+');
            const QString name = rest.mid(1);
            int qtKey = 0;
            QString text;
            if (name.size() == 1 && name[0].isLower()) {
                const char letter = name[0].toLatin1();
                qtKey = Qt::Key_A + (letter - 'a');
                text = LetterText(letter, held);
            } else {
                for (const NamedKey& key : kKeys) {
                    if (name == QLatin1String(key.name)) {
                        qtKey = key.qtKey;
                        text = QString::fromLatin1(key.text);
                    }
                }
            }
            QVERIFY2(qtKey != 0, qPrintable(token));
            // Like the X11 platform: the modifiers as they were before the event.
            QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, qtKey, held, text,
                            repeat);
            QApplication::sendEvent(&target, &event);
            held.setFlag(ModifierOf(qtKey), press);
        }
    }

    void SetShortcutMode(bool on) {
        if (Frame().Input().ShortcutMode() != on)
            Frame().OnCommand(kCmdShortcutMode);
    }

  private slots:
    void initTestCase() {
        qputenv("KEL_REMOTE_REGISTRY", QByteArray("/tmp/kel-frame-input-test-") +
                                           QByteArray::number(QCoreApplication::applicationPid()) +
                                           ".ini");
        SetTickSource(&FakeTick);
        dialogs_ = std::make_unique<RecordedDialogs>();
        FillOwnStation(Ipv4FromText("127.0.0.1"), "station-test");

        deskemu::Options options;
        options.address = kDeskAddress;
        options.name = "Input Desk";
        desk_ = std::make_unique<deskemu::DeskEmulator>(options);
        std::string error;
        QVERIFY2(desk_->Start(&error), error.c_str());

        SetScreenInfoOverride(ScreenInfo{QSize(1280, 1024), 32});
        SetDisplayDepthOverride(32);
        station_ = std::make_unique<TestStation>();
        window_ = std::make_unique<CHandheldDlg>(station_->Services());
        window_->OnInitDialog({});
        window_->show();
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        OpenSession();
    }

    void cleanupTestCase() {
        window_->close();
        window_.reset();
        station_.reset();
        desk_->Stop();
        SetScreenInfoOverride(std::nullopt);
        SetDisplayDepthOverride(0);
        dialogs_.reset();
        SetTickSource(nullptr);
    }

    void init() {
        OpenSession();
        SetShortcutMode(false);
        State().swBtnHold = 400;
        State().bigsize.store(0);
        dialogs_.reset();  // its successor's handlers must stay installed
        dialogs_ = std::make_unique<RecordedDialogs>();
        marks_ = 0;
    }

    void cleanup() { State().deskReady.store(Client().CurrentDesk() ? 1 : 0); }

    void pointerArrivesInDeskPixels_data() {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("original size")
            << 0
            << QStringList{"pointer event=1 x=101 y=57", "pointer event=2 x=101 y=57",
                           "pointer event=1 x=103 y=60", "pointer event=4 x=103 y=60"};
        QTest::newRow("big size") << 1
                                  << QStringList{
                                         "pointer event=1 x=50 y=28", "pointer event=2 x=50 y=28",
                                         "pointer event=1 x=51 y=30", "pointer event=4 x=51 y=30"};
        QTest::newRow("big size, large buttons")
            << 2
            << QStringList{"pointer event=1 x=50 y=28", "pointer event=2 x=50 y=28",
                           "pointer event=1 x=51 y=30", "pointer event=4 x=51 y=30"};
    }
    void pointerArrivesInDeskPixels() {
        QFETCH(int, zoom);
        QFETCH(QStringList, expected);
        State().bigsize.store(zoom);
        const size_t from = desk_->TraceSize();
        SendMouse(Frame(), QEvent::MouseMove, QPoint(101, 57), Qt::NoButton);
        SendMouse(Frame(), QEvent::MouseButtonPress, QPoint(101, 57), Qt::LeftButton);
        SendMouse(Frame(), QEvent::MouseMove, QPoint(103, 60), Qt::LeftButton);
        SendMouse(Frame(), QEvent::MouseButtonRelease, QPoint(103, 60), Qt::NoButton);
        QCOMPARE(DeskInputSince(from), expected);
    }

    // Through the platform's own mouse path: a click on the remote screen
    // becomes a press and a release at the same spot; a click on the bar's
    // background is no tap at all.
    void clicksOnTheFrameOnlyReachTheDesk() {
        const size_t from = desk_->TraceSize();
        QTest::mouseClick(&Frame(), Qt::LeftButton, Qt::NoModifier, QPoint(101, 57));
        MyCCeCommandBar& bar = Frame().CommandBar();
        QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier,
                          QPoint(bar.width() - 2, bar.height() / 2));
        QStringList taps;
        for (const QString& line : DeskInputSince(from)) {
            if (!line.startsWith(QLatin1String("pointer event=1 ")))
                taps << line;
        }
        QCOMPARE(taps, (QStringList{"pointer event=2 x=101 y=57", "pointer event=4 x=101 y=57"}));
    }

    void holdTimeDecidesTheRelease_data() {
        QTest::addColumn<uint>("hold");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<uint>("heldFor");
        QTest::addColumn<QString>("lastRelease");
        QTest::newRow("exactly the hold time") << 400u << false << 400u << "4";
        QTest::newRow("a millisecond more") << 400u << false << 401u << "260";
        QTest::newRow("double click, measured from the first press")
            << 400u << true << 401u << "260";
    }
    void holdTimeDecidesTheRelease() {
        QFETCH(uint, hold);
        QFETCH(bool, doubleClick);
        QFETCH(uint, heldFor);
        QFETCH(QString, lastRelease);
        State().swBtnHold = hold;
        const QPoint at(20, 30);
        const uint32_t start = g_tick.load();
        const size_t from = desk_->TraceSize();
        SendMouse(Frame(), QEvent::MouseButtonPress, at, Qt::LeftButton);
        QStringList expected{"pointer event=2 x=20 y=30"};
        if (doubleClick) {
            g_tick = start + 100;
            SendMouse(Frame(), QEvent::MouseButtonRelease, at, Qt::NoButton);
            g_tick = start + 200;
            SendMouse(Frame(), QEvent::MouseButtonDblClick, at, Qt::LeftButton);
            expected << "pointer event=4 x=20 y=30"
                     << "pointer event=2 x=20 y=30";
        }
        g_tick = start + heldFor;
        SendMouse(Frame(), QEvent::MouseButtonRelease, at, Qt::NoButton);
        expected << QStringLiteral("pointer event=%1 x=20 y=30").arg(lastRelease);
        QCOMPARE(DeskInputSince(from), expected);
        QVERIFY(!Frame().Input().HoldTimerRunning());
    }

    void longPressBeepsOnce_data() {
        QTest::addColumn<bool>("becomesLong");
        QTest::addColumn<int>("beeps");
        QTest::addColumn<QString>("release");
        QTest::newRow("long press") << true << 1 << "260";
        QTest::newRow("short press") << false << 0 << "4";
    }
    void longPressBeepsOnce() {
        QFETCH(bool, becomesLong);
        QFETCH(int, beeps);
        QFETCH(QString, release);
        // A short period, so the hold timer ticks soon; the time it measures
        // is the injected tick count.
        State().swBtnHold = 20;
        const size_t from = desk_->TraceSize();
        SendMouse(Frame(), QEvent::MouseButtonPress, QPoint(7, 8), Qt::LeftButton);
        if (becomesLong) {
            g_tick += 21;
            QTRY_VERIFY_WITH_TIMEOUT(!Frame().Input().HoldTimerRunning(), kWaitMs);
        } else {
            g_tick += 5;
        }
        SendMouse(Frame(), QEvent::MouseButtonRelease, QPoint(7, 8), Qt::NoButton);
        QCOMPARE(DeskInputSince(from),
                 (QStringList{"pointer event=2 x=7 y=8",
                              QStringLiteral("pointer event=%1 x=7 y=8").arg(release)}));
        // Events still queued (a late timer tick) must not beep again.
        QCoreApplication::processEvents();
        QCOMPARE(int(dialogs_->Beeps().size()), beeps);
        if (beeps > 0)
            QCOMPARE(dialogs_->Beeps().front(), kSimpleBeep);
    }

    void releaseWithoutSessionSendsNothing() {
        SendMouse(Frame(), QEvent::MouseButtonPress, QPoint(40, 40), Qt::LeftButton);
        Client().Disconnect();
        QVERIFY(!Client().CurrentDesk());
        g_tick += 1000;
        SendMouse(Frame(), QEvent::MouseButtonRelease, QPoint(40, 40), Qt::NoButton);
        QVERIFY(!Frame().Input().HoldTimerRunning());
        // A new session starts without the lost release.
        const size_t from = desk_->TraceSize();
        OpenSession();
        QCOMPARE(DeskInputSince(from), QStringList{});
        QVERIFY(dialogs_->Beeps().empty());
    }

    void keysReachTheDesk_data() {
        QTest::addColumn<bool>("shortcutMode");
        QTest::addColumn<bool>("deskReady");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("letter: its character when pressed")
            << false << true << "+a | -a" << QStringList{"key kind=1 code=97", "|"};
        QTest::newRow("arrow: its virtual key when released")
            << false << true << "+Left | -Left" << QStringList{"|", "key kind=0 code=37"};
        QTest::newRow("Tab: virtual key 9 when released")
            << false << true << "+Tab | -Tab" << QStringList{"|", "key kind=0 code=9"};
        QTest::newRow("held function key: one release")
            << false << true << "+F5 ~-F5 ~+F5 -F5" << QStringList{"key kind=0 code=116"};
        QTest::newRow("shortcut mode: Ctrl+Shift+A down and up")
            << true << true << "+Ctrl +Shift +a | -a -Shift -Ctrl"
            << QStringList{
                   "shortcut down=1 code=17 modifiers=12", "shortcut down=1 code=16 modifiers=28",
                   "shortcut down=1 code=65 modifiers=28", "|",
                   "shortcut down=0 code=65 modifiers=28", "shortcut down=0 code=16 modifiers=12",
                   "shortcut down=0 code=17 modifiers=0"};
        QTest::newRow("shortcut mode: Tab down and up")
            << true << true << "+Tab -Tab"
            << QStringList{"shortcut down=1 code=9 modifiers=0",
                           "shortcut down=0 code=9 modifiers=0"};
        QTest::newRow("shortcut mode before the desk is ready: as normal")
            << true << false << "+Shift +a -a -Shift"
            << QStringList{"key kind=1 code=65", "key kind=0 code=16"};
    }
    void keysReachTheDesk() {
        QFETCH(bool, shortcutMode);
        QFETCH(bool, deskReady);
        QFETCH(QString, script);
        QFETCH(QStringList, expected);
        SetShortcutMode(shortcutMode);
        // Until the desk's session information arrives the flag is 0.
        State().deskReady.store(deskReady ? 1 : 0);
        const size_t from = desk_->TraceSize();
        RunKeys(Frame(), script);
        QCOMPARE(DeskInputSince(from), expected);
        // Tab stays with the frame; no focus chain moves it away.
        QCOMPARE(window_->focusWidget(), &Frame());
    }

    // Only what the operator aims at the remote screen reaches the desk.
    void nothingReachesTheDeskUnaimed() {
        const auto wheel = [this](QPoint delta, QWidget& target) {
            QWheelEvent event(QPointF(5, 5), target.mapToGlobal(QPointF(5, 5)), QPoint(), delta,
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&target, &event);
        };
        const struct {
            const char* name;
            bool listShown;
            std::function<void()> act;
        } cases[] = {
            {"a release whose press went to a box", false,
             [this] { RunKeys(Frame(), QStringLiteral("-Left")); }},
            {"keys while the desk list is shown", true,
             [this] { RunKeys(Frame(), QStringLiteral("+Tab -Tab +b -b +Left -Left")); }},
            {"clicks and the wheel while the desk list is shown", true,
             [&, this] {
                 SendMouse(Frame(), QEvent::MouseButtonPress, QPoint(30, 40), Qt::LeftButton);
                 SendMouse(Frame(), QEvent::MouseButtonRelease, QPoint(30, 40), Qt::NoButton);
                 wheel(QPoint(0, 120), *Frame().DeskList().viewport());
             }},
            {"a horizontal or empty wheel turn", false,
             [&, this] {
                 wheel(QPoint(120, 0), Frame());
                 wheel(QPoint(0, 0), Frame());
             }},
            {"the second click of a double click on a desk icon", false,
             [this] {
                 SendMouse(Frame(), QEvent::MouseButtonDblClick, QPoint(30, 40), Qt::LeftButton);
                 SendMouse(Frame(), QEvent::MouseButtonRelease, QPoint(30, 40), Qt::NoButton);
             }},
        };
        for (const auto& c : cases) {
            if (c.listShown)
                Frame().ShowDeskList();
            const size_t from = desk_->TraceSize();
            c.act();
            const QStringList input = DeskInputSince(from);
            Frame().HideDeskList();
            QVERIFY2(input.isEmpty(), c.name);
        }
    }

    void barButtonsReachTheDesk_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Views") << int(kCmdViews) << "button long=0 code=193";
        QTest::newRow("Cursor Resolution") << int(kCmdCursorResolution) << "button long=0 code=194";
        QTest::newRow("Refresh Screen") << int(kCmdRefresh) << "refresh";
    }
    void barButtonsReachTheDesk() {
        QFETCH(int, command);
        QFETCH(QString, expected);
        MyCCeCommandBar& bar = Frame().CommandBar();
        QWidget* button = bar.widgetForAction(bar.Action(command));
        QVERIFY(button != nullptr);
        const size_t from = desk_->TraceSize();
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(DeskInputSince(from), QStringList{expected});
    }

    void hiddenCursorResolutionCommandReachesTheDesk() {
        const size_t from = desk_->TraceSize();
        Frame().OnCommand(kCmdCursorResolutionKey);
        QCOMPARE(DeskInputSince(from), QStringList{"button long=0 code=194"});
    }

    void shortcutButtonFollowsTheDesk() {
        MyCCeCommandBar& bar = Frame().CommandBar();
        QAction* action = bar.Action(kCmdShortcutMode);
        QVERIFY(bar.IsButtonEnabled(kCmdShortcutMode));
        QWidget* button = bar.widgetForAction(action);
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(Frame().Input().ShortcutMode());
        QVERIFY(action->isChecked());
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!Frame().Input().ShortcutMode());
        QVERIFY(!action->isChecked());
        Client().Disconnect();
        QTRY_VERIFY_WITH_TIMEOUT(!bar.IsButtonEnabled(kCmdShortcutMode), kWaitMs);
    }

    // A list that keeps the focus while it is hidden (the remote view is
    // shown): the keys still reach the desk and the frame takes the focus.
    void keysAtTheHiddenListReachTheDesk() {
        CMyListCtrl& list = Frame().DeskList();
        list.show();
        list.setFocus();
        list.hide();
        const size_t from = desk_->TraceSize();
        RunKeys(list, QStringLiteral("+b -b +Left"));
        RunKeys(Frame(), QStringLiteral("-Left"));
        QCOMPARE(DeskInputSince(from), (QStringList{"key kind=1 code=98", "key kind=0 code=37"}));
        QCOMPARE(window_->focusWidget(), &Frame());
    }
};

QTEST_MAIN(FrameInputDeskTest)
#include "frame_input_desk_test.moc"
