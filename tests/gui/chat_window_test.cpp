// The chat dialog and the main frame's new-message signal on the offscreen
// platform. The station's own messages travel over real multicast, so this
// runs only inside the private network namespace (own address 127.0.0.1).

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>
#include <functional>
#include <memory>

#include "chat/chat_dialog.h"
#include "chat/chat_protocol.h"
#include "frame/command_bar.h"
#include "next_modal.h"
#include "recorded_dialogs.h"
#include "recording_desk.h"
#include "scratch_settings.h"
#include "test_window.h"

namespace {

const uint32_t kLoopback = Ipv4FromText("127.0.0.1");

// A message to this station from another one (or from itself).
std::vector<uint8_t> From(const char* address, const char* name, int32_t type,
                          const std::string& text) {
    StationRecord s;
    SetStationAddress(s, Ipv4FromText(address));
    s.SetName(name);
    s.type = type;
    return BuildChatDatagram(s, kLoopback, text);
}

}  // namespace

class ChatWindowTest : public QObject {
    Q_OBJECT

  private:
    ScratchSettings settings_;
    std::unique_ptr<RecordedDialogs> dialogs_;
    std::unique_ptr<TestStation> station_;
    std::unique_ptr<TestWindow> window_;
    std::unique_ptr<RecordingDesk> desk_;

    CMainFrame& Frame() { return window_->Frame(); }
    ChatService& Chat() { return station_->chat; }

    // The station's window with chat running; a session over socket pairs
    // with the desk 127.0.0.9 when asked for.
    void Open(bool session) {
        station_ = std::make_unique<TestStation>();
        ChatService& chat = station_->chat;
        window_ = std::make_unique<TestWindow>(
            *station_, NetworkThreads{[&chat] { chat.StartChat(); }, [&chat] { chat.StopChat(); }});
        if (session)
            desk_ = std::make_unique<RecordingDesk>(station_->client);
    }

    // Runs the check while the frame shows the chat dialog, then closes it.
    void WithDialog(const std::function<void(CChatDlg&)>& check) {
        bool ran = false;
        OnNextModal([&](QWidget&) {
            ran = Frame().ChatDialog() != nullptr;
            if (ran)
                check(*Frame().ChatDialog());
        });
        Frame().OnCommand(kCmdChat);
        QVERIFY(ran);
    }

    // Sends until the own message comes back: the receiver has joined then.
    void WarmUp() {
        for (int i = 0; i < 100 && Chat().History().Empty(); ++i) {
            Chat().SendChatMessage("warm-up");
            if (QTest::qWaitFor([&] { return !Chat().History().Empty(); }, 100))
                break;
        }
        QVERIFY(!Chat().History().Empty());
        Chat().History().Clear();
    }

    static void Trigger(CChatDlg& dialog, int command) {
        dialog.CommandBar().Action(command)->trigger();
    }

  private slots:
    void init() {
        settings_.Fresh();
        dialogs_ = std::make_unique<RecordedDialogs>();
        FillOwnStation(kLoopback, "pocket-1");
    }
    void cleanup() {
        desk_.reset();
        window_.reset();
        station_.reset();
        dialogs_.reset();
    }

    void openingKeepsPendingTextAndKeysStayInTheDialog() {
        Open(false);
        station_->state.remoteView = 1;
        WithDialog([&](CChatDlg& d) {
            MyCCeCommandBar& bar = d.CommandBar();
            QCOMPARE(d.windowTitle(), QStringLiteral("Chat"));
            QCOMPARE(bar.ItemCount(), 10);
            QVERIFY(!bar.IsButtonEnabled(kCmdSendMessage));
            QVERIFY(!bar.IsButtonEnabled(kCmdClearHistory));
            for (int command : kSpareBarCommands)
                QVERIFY(!bar.IsButtonEnabled(command));
            QTest::keyClicks(&d.NewMessage(), "draft");
            QTest::keyClick(&d.NewMessage(), Qt::Key_Return);
            QTest::keyClicks(&d.NewMessage(), "x");
            QVERIFY(bar.IsButtonEnabled(kCmdSendMessage));
            Trigger(d, kCmdSendMessage);  // without a session
        });
        QVERIFY(dialogs_->SawText("No connection to host!"));
        QCOMPARE(dialogs_->Requests().back().caption, std::string("Kel Remote"));
        QCOMPARE(station_->state.remoteView.load(), 1);

        desk_ = std::make_unique<RecordingDesk>(station_->client);
        WithDialog([&](CChatDlg& d) {
            QCOMPARE(d.NewMessage().toPlainText(), QStringLiteral("draft\nx"));
            QVERIFY(d.CommandBar().IsButtonEnabled(kCmdSendMessage));
            QTest::keyClicks(&d.NewMessage(), "yz");
            d.NewMessage().insertPlainText(QString(1000, QLatin1Char('y')));
            QCOMPARE(d.NewMessage().toPlainText().size(), qsizetype{CChatDlg::kMaxNewMessage});
        });
        QCOMPARE(Chat().PendingText().size(), size_t{CChatDlg::kMaxNewMessage});
        QCOMPARE(desk_->InputUntilMark(), std::vector<uint8_t>{});
    }

    void threeLinesComeBackAsHeaderAndThreeLines() {
        Open(true);
        WarmUp();
        WithDialog([&](CChatDlg& d) {
            QTest::keyClicks(&d.NewMessage(), "one");
            QTest::keyClick(&d.NewMessage(), Qt::Key_Return);
            QTest::keyClicks(&d.NewMessage(), "two");
            QTest::keyClick(&d.NewMessage(), Qt::Key_Return);
            QTest::keyClicks(&d.NewMessage(), "three");
            Trigger(d, kCmdSendMessage);
            QVERIFY(d.NewMessage().toPlainText().isEmpty());
            QVERIFY(!d.CommandBar().IsButtonEnabled(kCmdSendMessage));
            QTRY_VERIFY(d.HistoryView().toPlainText().contains("three"));
            const QStringList lines = d.HistoryView().toPlainText().split('\n');
            QCOMPARE(lines.size(), 5);
            QVERIFY2(lines[0].startsWith("Kel Pocket  (pocket-1 127.0.0.1) "),
                     qPrintable(lines[0]));
            QCOMPARE(lines.mid(1, 3), (QStringList{"one", "two", "three"}));
            QVERIFY(d.CommandBar().IsButtonEnabled(kCmdClearHistory));

            Trigger(d, kCmdClearHistory);
            QVERIFY(d.HistoryView().toPlainText().isEmpty());
            QVERIFY(!d.CommandBar().IsButtonEnabled(kCmdClearHistory));
        });
        QVERIFY(Chat().History().Empty());
        QVERIFY(Chat().PendingText().empty());
        QVERIFY(dialogs_->Beeps().empty());  // the own message is not signalled
    }

    void namesAndTextsAreShownLiterallyAndFloodsMerge() {
        Open(true);
        WithDialog([&](CChatDlg& d) {
            Chat().ReceiveDatagram(From("127.0.0.3", "<b>FOH</b>\x07", 1, "<i>go</i>\x1b"),
                                   kLoopback);
            Chat().ReceiveDatagram(From("127.0.0.4", "Side", 4, "Standby cue 12\nGo"), kLoopback);
            QTRY_VERIFY(d.HistoryView().toPlainText().contains("Go"));
            const QString shown = d.HistoryView().toPlainText();
            QVERIFY(shown.contains(QString::fromUtf8("(<b>FOH</b>\xE2\x90\x87 127.0.0.3)")));
            QVERIFY(shown.contains(QString::fromUtf8("\n<i>go</i>\xE2\x90\x9B\n")));
            if (qEnvironmentVariableIsSet("KEL_CHAT_SCREENSHOT")) {
                d.NewMessage().setPlainText(QStringLiteral("Ready for cue 13?"));
                d.grab().save(qEnvironmentVariable("KEL_CHAT_SCREENSHOT"));
            }

            QSignalSpy refreshes(&d.HistoryView(), &QPlainTextEdit::textChanged);
            for (int i = 0; i < 300; ++i) {
                Chat().ReceiveDatagram(From("127.0.0.3", "FOH", 1, "flood " + std::to_string(i)),
                                       kLoopback);
            }
            QTRY_VERIFY(d.HistoryView().toPlainText().endsWith("flood 299\n"));
            QVERIFY2(refreshes.count() <= 4, qPrintable(QString::number(refreshes.count())));
            const QScrollBar* bar = d.HistoryView().verticalScrollBar();
            QCOMPARE(bar->value(), bar->maximum());
        });
    }

    void newMessageSignal_data() {
        QTest::addColumn<uint>("signal");
        QTest::addColumn<bool>("foreign");
        QTest::addColumn<bool>("signalled");
        QTest::addColumn<bool>("repeating");
        QTest::newRow("signalling off") << 0u << true << false << false;
        QTest::newRow("beep only") << 1u << true << true << false;
        QTest::newRow("beep and repeat") << 3u << true << true << true;
        QTest::newRow("own message") << 3u << false << false << false;
    }

    void newMessageSignal() {
        QFETCH(uint, signal);
        QFETCH(bool, foreign);
        QFETCH(bool, signalled);
        QFETCH(bool, repeating);
        Open(true);
        station_->state.chatSignal = signal;
        Chat().ReceiveDatagram(From(foreign ? "127.0.0.3" : "127.0.0.1", "FOH", 1, "hi"),
                               kLoopback);
        QCoreApplication::processEvents();
        QCOMPARE(dialogs_->Beeps().size(), size_t{signalled});
        QCOMPARE(Frame().ChatButtonMarked(), signalled);
        QCOMPARE(Frame().ChatRepeatTimerRunning(), repeating);
        if (repeating) {
            if (qEnvironmentVariableIsSet("KEL_CHAT_SCREENSHOT"))
                window_->window.grab().save(qEnvironmentVariable("KEL_CHAT_SCREENSHOT") +
                                            ".frame.png");
            Frame().OnChatRepeatTimer();
            QCOMPARE(window_->window.windowTitle(),
                     QStringLiteral("Kel Remote - !!! new message !!!"));
            Frame().OnChatRepeatTimer();
            QCOMPARE(window_->window.windowTitle(), QStringLiteral("Kel Remote"));
            Frame().OnChatRepeatTimer();
            QCOMPARE(dialogs_->Beeps().size(), size_t{4});
        }
        WithDialog([&](CChatDlg& d) {
            QVERIFY(!Frame().ChatRepeatTimerRunning());
            QVERIFY(!Frame().ChatButtonMarked());
            QCOMPARE(window_->window.windowTitle(), QStringLiteral("Kel Remote"));
            QCOMPARE(d.HistoryView().toPlainText().count('\n'), 2);
        });
    }
};

QTEST_MAIN(ChatWindowTest)
#include "chat_window_test.moc"
