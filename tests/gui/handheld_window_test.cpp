// The handheld window on the offscreen platform: sizes, placement, the size
// command, keys, the wheel, the command bar and the main frame's commands.

#include <QAction>
#include <QApplication>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>
#include <memory>
#include <optional>

#include "app/handheld_dlg.h"
#include "app/handheld_geometry.h"
#include "app/screen_info.h"
#include "controls/encoder_btn.h"
#include "frame/command_bar.h"
#include "frame/desk_list.h"
#include "frame/frame_handover.h"
#include "frame/main_frame.h"
#include "recorded_dialogs.h"
#include "recording_desk.h"
#include "session/session_state.h"
#include "settings/settings.h"
#include "test_station.h"

class HandheldWindowTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    int run_ = 0;
    std::unique_ptr<TestStation> station_;
    std::unique_ptr<CHandheldDlg> window_;

    // A fresh settings store for every test.
    void FreshStore() {
        qputenv("KEL_REMOTE_REGISTRY",
                dir_.filePath(QStringLiteral("store%1.ini").arg(++run_)).toLocal8Bit());
    }

    CHandheldDlg& Open(QSize screen) {
        SetScreenInfoOverride(ScreenInfo{screen, 32});
        station_ = std::make_unique<TestStation>();
        window_ = std::make_unique<CHandheldDlg>(station_->Services());
        window_->OnInitDialog({});
        window_->show();
        return *window_;
    }

    void CloseWindow() {
        if (window_)
            window_->close();
        window_.reset();
    }

  private slots:
    void init() { FreshStore(); }
    void cleanup() {
        window_.reset();
        station_.reset();
        SetScreenInfoOverride(std::nullopt);
    }

    void sizesByScreenAndStoredZoom_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("stored");  // -1: nothing stored
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<int>("buttonSize");
        QTest::addColumn<QPoint>("encoderAt");
        QTest::addColumn<QString>("sizeCommand");
        QTest::newRow("tall screen, stored 1 opens large buttons")
            << QSize(1280, 1024) << 1 << QSize(540, 900) << QRect(28, 22, 480, 578) << 140
            << QPoint(200, 720) << "Original Size";
        QTest::newRow("1024x768, stored 2 falls back to 1")
            << QSize(1024, 768) << 2 << QSize(540, 700) << QRect(28, 22, 480, 578) << 70
            << QPoint(235, 605) << "Original Size";
        QTest::newRow("nothing stored")
            << QSize(1280, 1024) << -1 << QSize(300, 490) << QRect(28, 22, 240, 294) << 70
            << QPoint(115, 380) << "Big Size";
        QTest::newRow("small screen ignores stored zoom")
            << QSize(800, 600) << 1 << QSize(300, 490) << QRect(28, 22, 240, 294) << 70
            << QPoint(115, 380) << "";
        QTest::newRow("1023 wide is small")
            << QSize(1023, 900) << 1 << QSize(300, 490) << QRect(28, 22, 240, 294) << 70
            << QPoint(115, 380) << "";
    }
    void sizesByScreenAndStoredZoom() {
        QFETCH(QSize, screen);
        QFETCH(int, stored);
        if (stored >= 0)
            WriteZoomMode(static_cast<uint32_t>(stored));
        CHandheldDlg& window = Open(screen);
        QTEST(window.frameGeometry().size(), "window");
        QTEST(window.Frame()->geometry(), "frame");
        QTEST(window.Button(kEncoderIndex)->width(), "buttonSize");
        QTEST(window.Button(kEncoderIndex)->pos(), "encoderAt");
        QTEST(window.SizeCommandLabel(), "sizeCommand");
    }

    void closingStoresPositionAndZoom() {
        WriteZoomMode(1);
        WriteWindowX(40);
        WriteWindowY(50);
        Open(QSize(1280, 1024));
        CloseWindow();
        QCOMPARE(ReadZoomMode(), std::optional<uint32_t>(2));
        QCOMPARE(ReadWindowX(), std::optional<int32_t>(40));
        QCOMPARE(ReadWindowY(), std::optional<int32_t>(50));
    }

    void storedPositionIsClamped_data() {
        QTest::addColumn<int>("x");  // -1000: not stored
        QTest::addColumn<int>("y");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("beyond the right edge") << 5000 << 10 << QPoint(1180, 10);
        QTest::newRow("beyond the bottom") << 10 << 3000 << QPoint(10, 924);
        QTest::newRow("negative") << -20 << -1 << QPoint(0, 0);
        QTest::newRow("y missing keeps the corner") << 300 << -1000 << QPoint(0, 0);
        QTest::newRow("inside") << 300 << 200 << QPoint(300, 200);
    }
    void storedPositionIsClamped() {
        QFETCH(int, x);
        QFETCH(int, y);
        if (x != -1000)
            WriteWindowX(x);
        if (y != -1000)
            WriteWindowY(y);
        CHandheldDlg& window = Open(QSize(1280, 1024));
        QTEST(window.pos(), "expected");
    }

    void windowNoScreenShowsIsMovedOntoTheNearest_data() {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QPoint>("expected");
        // Two screens side by side: 1920x1080 at the origin, 1280x1024 right of it.
        QTest::newRow("on the first") << QRect(100, 100, 270, 450) << QPoint(100, 100);
        QTest::newRow("across both") << QRect(1800, 0, 270, 450) << QPoint(1800, 0);
        QTest::newRow("right of both") << QRect(4000, 600, 270, 450) << QPoint(2930, 574);
        QTest::newRow("above the first") << QRect(300, -900, 270, 450) << QPoint(300, 0);
        QTest::newRow("left of everything") << QRect(-700, 50, 270, 450) << QPoint(0, 50);
    }
    void windowNoScreenShowsIsMovedOntoTheNearest() {
        QFETCH(QRect, window);
        const QList<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
        QTEST(KeptOnScreens(window, screens), "expected");
    }

    void sizeCommandToggles_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QSize>("big");
        QTest::addColumn<int>("bigButton");
        QTest::newRow("1024x768") << QSize(1024, 768) << QSize(540, 700) << 70;
        QTest::newRow("1280x1024") << QSize(1280, 1024) << QSize(540, 900) << 140;
    }
    void sizeCommandToggles() {
        QFETCH(QSize, screen);
        QFETCH(QSize, big);
        QFETCH(int, bigButton);
        CHandheldDlg& window = Open(screen);
        window.ToggleSize();
        QCOMPARE(window.frameGeometry().size(), big);
        QCOMPARE(window.Frame()->size(), QSize(480, 578));
        QCOMPARE(window.Button(0)->width(), bigButton);
        QCOMPARE(window.SizeCommandLabel(), QString("Original Size"));
        window.ToggleSize();
        QCOMPARE(window.frameGeometry().size(), QSize(300, 490));
        QCOMPARE(window.Frame()->size(), QSize(240, 294));
        QCOMPARE(window.Button(0)->pos(), QPoint(10, 320));
        QCOMPARE(window.SizeCommandLabel(), QString("Big Size"));
        CloseWindow();
        QCOMPARE(ReadZoomMode(), std::optional<uint32_t>(0));
    }

    void enterAndEscapeDoNotClose_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
        QTest::newRow("Escape") << int(Qt::Key_Escape);
    }
    void enterAndEscapeDoNotClose() {
        QFETCH(int, key);
        CHandheldDlg& window = Open(QSize(1280, 1024));
        QTest::keyClick(&window, static_cast<Qt::Key>(key));
        QTest::keyClick(window.Frame(), static_cast<Qt::Key>(key));
        QVERIFY(window.isVisible());
        QVERIFY(!window.Frame()->IsShutDown());
    }

    // The wheel turns the encoder one step per notch, only vertically and
    // only while the remote screen is shown; finer steps add up to notches.
    void wheelTurnsTheEncoderPerNotch_data() {
        QTest::addColumn<QList<QPoint>>("deltas");
        QTest::addColumn<bool>("listShown");
        QTest::addColumn<QList<int>>("keys");
        QTest::newRow("one notch forward") << QList<QPoint>{{0, 120}} << false << QList<int>{38};
        QTest::newRow("two notches forward")
            << QList<QPoint>{{0, 240}} << false << QList<int>{38, 38};
        QTest::newRow("one notch back") << QList<QPoint>{{0, -120}} << false << QList<int>{40};
        QTest::newRow("half a notch") << QList<QPoint>{{0, 60}} << false << QList<int>{};
        QTest::newRow("two halves") << QList<QPoint>{{0, 60}, {0, 60}} << false << QList<int>{38};
        QTest::newRow("half, then back")
            << QList<QPoint>{{0, 60}, {0, -120}} << false << QList<int>{40};
        QTest::newRow("horizontal") << QList<QPoint>{{120, 0}} << false << QList<int>{};
        QTest::newRow("zero delta") << QList<QPoint>{{0, 0}} << false << QList<int>{};
        QTest::newRow("over the desk list") << QList<QPoint>{{0, 120}} << true << QList<int>{};
    }
    void wheelTurnsTheEncoderPerNotch() {
        QFETCH(QList<QPoint>, deltas);
        QFETCH(bool, listShown);
        QFETCH(QList<int>, keys);
        CHandheldDlg& window = Open(QSize(1280, 1024));
        RecordingDesk desk(station_->client);
        if (!listShown)
            window.Frame()->HideDeskList();
        // A turn reaches several widgets on its way up; it counts once.
        QWidget* target = listShown ? window.Frame()->DeskList().viewport()
                                    : static_cast<QWidget*>(window.Frame());
        quint64 stamp = 1000;
        for (const QPoint& delta : deltas) {
            QWheelEvent wheel(QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)), QPoint(), delta,
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            wheel.setTimestamp(stamp += 20);
            QApplication::sendEvent(target, &wheel);
        }
        std::vector<uint8_t> expected;
        for (int key : keys) {
            const auto message = ButtonMessage(1, static_cast<uint16_t>(key));
            expected.insert(expected.end(), message.begin(), message.end());
        }
        QCOMPARE(desk.InputUntilMark(), expected);
    }

    void commandBarItems() {
        CHandheldDlg& window = Open(QSize(1280, 1024));
        MyCCeCommandBar& bar = window.Frame()->CommandBar();
        const int expected[] = {32868, 32873, 32874, 0,     32900, 32901, 32903,
                                32902, 32871, 32876, 32840, 32857, 32858};
        QCOMPARE(bar.ItemCount(), 13);
        for (int i = 0; i < 13; ++i)
            QCOMPARE(bar.CommandAt(i), expected[i]);
        const QStringList tips = {
            "Views", "Cursor Resolution", "Refresh Screen", "Available Desks / Control Desk",
            "Chat",  "Settings",          "Versioninfo",    "Help",
            "",      "Keyboard"};
        const int tipped[] = {32868, 32873, 32874, 32900, 32901, 32903, 32902, 32871, 32876, 32840};
        for (int i = 0; i < 10; ++i)
            QCOMPARE(bar.Action(tipped[i])->toolTip(), tips[i]);
        QCOMPARE(bar.Action(32857)->toolTip(), QString());
        // Every button is inside the bar, none folded away.
        for (QAction* action : bar.actions()) {
            QWidget* button = bar.widgetForAction(action);
            QVERIFY2(button != nullptr && button->isVisible(),
                     qPrintable(QString::number(action->data().toInt())));
        }
    }

    void barEnablingBeforeAndDuringSession() {
        CHandheldDlg& window = Open(QSize(1280, 1024));
        MyCCeCommandBar& bar = window.Frame()->CommandBar();
        // Shortcut mode (32876) is offered while the desk is ready.
        const int session[] = {32900, 32868, 32873, 32874, 32876};
        const int always[] = {32901, 32902, 32903, 32871, 32840};
        const int never[] = {32857, 32858};
        for (int c : session)
            QVERIFY2(!bar.IsButtonEnabled(c), qPrintable(QString::number(c)));
        for (int c : always)
            QVERIFY(bar.IsButtonEnabled(c));
        station_->handover.EnableViewSwitch();
        QVERIFY(bar.IsButtonEnabled(32900));
        QVERIFY(!bar.IsButtonEnabled(32868));
        QVERIFY(!bar.IsButtonEnabled(32876));
        station_->handover.EnableSessionButtons(true);  // posted by the receive thread
        QTRY_VERIFY(bar.IsButtonEnabled(32868));
        for (int c : session)
            QVERIFY(bar.IsButtonEnabled(c));
        for (int c : never)
            QVERIFY(!bar.IsButtonEnabled(c));
        station_->handover.EnableSessionButtons(false);
        QTRY_VERIFY(!bar.IsButtonEnabled(32900));
        for (int c : session)
            QVERIFY(!bar.IsButtonEnabled(c));
    }

    void keyboardButtonFollowsTheSize() {
        CHandheldDlg& window = Open(QSize(1280, 1024));
        MyCCeCommandBar& bar = window.Frame()->CommandBar();
        QCOMPARE(bar.CommandToIndex(kCmdKeyboard), 10);
        for (int round = 0; round < 2; ++round) {
            window.ToggleSize();
            QCOMPARE(bar.CommandToIndex(kCmdKeyboard), 12);
            QCOMPARE(bar.height(), 39);
            QCOMPARE(bar.iconSize(), QSize(32, 32));
            window.ToggleSize();
            QCOMPARE(bar.CommandToIndex(kCmdKeyboard), 10);
            QCOMPARE(bar.iconSize(), QSize(16, 16));
        }
        QCOMPARE(bar.CommandAt(11), 32857);
    }

    void versionBoxTexts_data() {
        QTest::addColumn<unsigned>("version");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("text");
        QTest::newRow("5700") << 5700u << false << "Kel Remote Version: 5.70";
        QTest::newRow("5701") << 5701u << false << "Kel Remote Version: 5.701";
        QTest::newRow("5010") << 5010u << false << "Kel Remote Version: 5.01";
        QTest::newRow("session open")
            << 5700u << true << "Kel Remote Version: 5.70\n\nCurrent User:\nBob";
    }
    void versionBoxTexts() {
        QFETCH(unsigned, version);
        QFETCH(bool, open);
        QTEST(QString::fromStdString(VersionBoxText(version, open, "Bob")), "text");
    }

    void versionCommandNamesTheUserOnlyInASession() {
        RecordedDialogs dialogs;
        CHandheldDlg& window = Open(QSize(1280, 1024));
        station_->state.SetCurrentUser(STRING(std::string("Operator")));
        window.Frame()->OnCommand(kCmdVersion);
        {
            RecordingDesk desk(station_->client);
            window.Frame()->OnCommand(kCmdVersion);
        }
        const auto boxes = dialogs.Requests();
        QCOMPARE(boxes.size(), size_t(2));
        QCOMPARE(boxes[0].text, std::string("Kel Remote Version: 5.70"));
        QCOMPARE(boxes[1].text, std::string("Kel Remote Version: 5.70\n\nCurrent User:\nOperator"));
        QCOMPARE(boxes[1].caption, std::string("Kel Remote"));
    }

    void exitConfirmation_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::newRow("OK closes") << int(IDOK) << true;
        QTest::newRow("Cancel keeps the window") << int(IDCANCEL) << false;
    }
    void exitConfirmation() {
        QFETCH(int, answer);
        QFETCH(bool, closes);
        RecordedDialogs dialogs;
        dialogs.answerWith = [answer](const MessageBoxRequest&) { return answer; };
        CHandheldDlg& window = Open(QSize(1280, 1024));
        window.Frame()->OnCommand(kCmdExit);
        const auto boxes = dialogs.Requests();
        QCOMPARE(boxes.size(), size_t(1));
        QCOMPARE(boxes[0].text, std::string("Do you really want to exit Kel Remote Control?"));
        QCOMPARE(boxes[0].type & MB_BUTTONMASK, unsigned(MB_OKCANCEL));
        QCOMPARE(window.isVisible(), !closes);
        QCOMPARE(window.Frame()->IsShutDown(), closes);
    }

    void shutdownTwiceIsHarmless() {
        CHandheldDlg& window = Open(QSize(1280, 1024));
        CMainFrame* frame = window.Frame();
        frame->ShutdownFrame();
        frame->ShutdownFrame();
        QVERIFY(frame->IsShutDown());
        QCOMPARE(frame->DeskList().count(), 0);
        // Handovers after the shutdown are dropped.
        StationRecord desk;
        SetStationAddress(desk, Ipv4FromText("127.0.0.5"));
        desk.state = 1;
        station_->handover.StationHeard(desk);
        QCoreApplication::processEvents();
        QCOMPARE(frame->Desks().RowCount(), 0);
        CloseWindow();
    }

    void stationsAppearInTheList() {
        CHandheldDlg& window = Open(QSize(1280, 1024));
        StationRecord desk;
        SetStationAddress(desk, Ipv4FromText("192.168.0.10"));
        desk.SetName("FOH");
        desk.type = 1;
        desk.state = 1;
        desk.displayVersion = 5500;
        station_->handover.StationHeard(desk);
        CMyListCtrl& list = window.Frame()->DeskList();
        QTRY_COMPARE(list.count(), 1);
        QCOMPARE(list.RowText(0), QString("192.168.0.10\nFOH\nKel Alpha 5.500"));
        QVERIFY(!list.RowShowsConnected(0));
        station_->handover.DeskRegistered(desk.address, true);
        QVERIFY(list.RowShowsConnected(0));
        desk.state = 0;
        station_->handover.StationHeard(desk);
        QTRY_COMPARE(list.count(), 0);
    }

    void userIsSavedUnlessFatal_data() {
        QTest::addColumn<int>("fatal");
        QTest::addColumn<QString>("stored");
        QTest::newRow("normal end saves") << 0 << "Operator";
        QTest::newRow("fatal end keeps the old name") << 1 << "Old";
    }
    void userIsSavedUnlessFatal() {
        QFETCH(int, fatal);
        Open(QSize(1280, 1024));
        WriteWindowX(0);  // the key exists, as after any earlier run
        QCOMPARE(WriteStoredUser("Old"), 0);
        station_->state.SetCurrentUser(STRING(std::string("Operator")));
        station_->state.fatal.store(fatal);
        CloseWindow();
        QTEST(QString::fromStdString(ReadStoredUser().value_or("")), "stored");
    }
};

#include "handheld_window_test.moc"

int RunHandheldWindowTest(int argc, char** argv) {
    HandheldWindowTest test;
    return QTest::qExec(&test, argc, argv);
}
