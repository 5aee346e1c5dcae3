// The settings sheet and the help sheets on the offscreen platform: pages,
// captions, help texts, the slider and the IP list, and what the main frame
// keeps when they close.

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QWheelEvent>
#include <QtTest>
#include <memory>
#include <optional>

#include "discovery/own_address.h"
#include "frame/command_bar.h"
#include "next_modal.h"
#include "recorded_dialogs.h"
#include "recording_desk.h"
#include "scratch_settings.h"
#include "settings/settings.h"
#include "settings/settings_help.h"
#include "settings/settings_sheet.h"
#include "test_window.h"

class SheetWindowTest : public QObject {
    Q_OBJECT

  private:
    ScratchSettings settings_;
    std::unique_ptr<TestStation> station_;

    std::unique_ptr<CSettingsSheet> SettingsSheet() {
        auto sheet = std::make_unique<CSettingsSheet>(nullptr, station_->state, station_->client,
                                                      SettingsHooks{});
        sheet->show();
        return sheet;
    }

  private slots:
    void init() {
        settings_.Fresh();
        station_ = std::make_unique<TestStation>();
    }
    void cleanup() {
        station_.reset();
        SetHostLookup(nullptr);
    }

    void settingsPageControls_data() {
        QTest::addColumn<bool>("session");
        QTest::newRow("no session") << false;
        QTest::newRow("session") << true;
    }
    void settingsPageControls() {
        QFETCH(bool, session);
        std::optional<RecordingDesk> desk;
        if (session)
            desk.emplace(station_->client);
        auto sheet = SettingsSheet();
        QVERIFY(sheet->findChild<QPushButton*>("teach")->isHidden());
        QCOMPARE(sheet->findChild<QCheckBox*>("cursorOption")->isEnabled(), session);
        // Signalling off disables the repeat and keeps its mark.
        auto* repeat = sheet->findChild<QCheckBox*>("repeat");
        sheet->findChild<QCheckBox*>("signal")->click();
        QVERIFY(!repeat->isEnabled());
        QVERIFY(repeat->isChecked());
    }

    void helpTextOfTheActivePage_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("text");
        const QString buttons =
            "The funtionality of a button\nmay change if you press one\nbutton for a short time "
            "or if\nyou hold it for a longer time interval.\n\nTo work more ergonomically you "
            "can\nchange the time interval for the event\nof holding a button with the "
            "slider.\n\n";
        const QString chat =
            "If 'Signaling New Messages'\nis checked, every incoming chat\nmessage is prompted "
            "by\na signal.\n\nIf 'Repeat Signal' is checked,\nthe signal for incoming\nmessages "
            "is repeated every\n5 seconds until you've read\nthe message.\n\nNote that "
            "signaling depends on your\nOS settings.";
        const QString ip = "Select the current IP address.";
        for (int command : {int(kCmdHelpButton), int(kCmdSettingsHelp)}) {
            const QByteArray tag = QByteArray::number(command);
            QTest::newRow("Buttons " + tag) << 0 << command << buttons;
            QTest::newRow("Chat " + tag) << 1 << command << chat;
            QTest::newRow("Current IPs " + tag) << 2 << command << ip;
        }
    }
    void helpTextOfTheActivePage() {
        QFETCH(int, page);
        QFETCH(int, command);
        auto sheet = SettingsSheet();
        sheet->SetActivePage(page);
        QString shown, caption;
        OnNextModal([&](QWidget& modal) {
            if (auto* help = qobject_cast<CSettingsHelp*>(&modal)) {
                shown = help->Text();
                caption = help->windowTitle();
            }
        });
        sheet->OnCommand(command);
        QTEST(shown, "text");
        QCOMPARE(caption, QString("Settings"));
        QVERIFY(sheet->isVisible());
    }

    void sliderValueIsTakenWhenItsMoveEnds() {
        auto sheet = SettingsSheet();
        for (QRadioButton* radio : sheet->findChildren<QRadioButton*>()) {
            if (radio->text() == "Software Buttons")
                radio->click();
        }
        QCOMPARE(sheet->findChild<QLabel*>("holdLabel")->text(), QString("Hold Software"));
        auto* slider = sheet->findChild<QSlider*>("holdSlider");
        slider->setSliderDown(true);
        slider->setValue(4);
        QCOMPARE(sheet->Model().Buttons().SoftwareHold(), 400u);  // still dragged
        slider->setSliderDown(false);
        QCOMPARE(sheet->Model().Buttons().SoftwareHold(), 800u);
        QTest::keyClick(slider, Qt::Key_Right);
        sheet->OnCommand(IDOK);
        QCOMPARE(sheet->result(), int(QDialog::Accepted));
        QCOMPARE(ReadSoftwareHold(), std::optional<uint32_t>(1000));  // the rest: model tests
    }

    void ipListPicksAndItsAbsence() {
        RecordedDialogs dialogs;
        SetHostLookup([] { return HostLookup{true, "console", {Ipv4FromText("10.0.0.7")}}; });
        RecordingDesk desk(station_->client);
        auto sheet = SettingsSheet();
        auto* list = sheet->findChild<QListWidget*>("ipList");
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(1)->text(), QString("127.0.0.1"));
        list->setCurrentRow(1);
        QCOMPARE(list->currentRow(), 0);
        QCOMPARE(dialogs.Requests().size(), size_t(1));
        QVERIFY(!sheet->Model().Address().Pending());

        SetHostLookup([] { return HostLookup{}; });
        auto unknownHost = SettingsSheet();
        unknownHost->SetActivePage(2);
        QVERIFY(unknownHost->findChild<QLabel*>("noAddresses")->isVisible());
        QVERIFY(unknownHost->findChild<QListWidget*>("ipList") == nullptr);
    }

    // The frame's commands open the sheets over either view; keys and the
    // wheel stay in them, and the view is the same when they close.
    void sheetsFromTheFrame_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("remoteView");
        QTest::addColumn<QStringList>("pages");  // title, then the captions
        QTest::addColumn<int>("barButtons");
        QTest::addColumn<int>("icons");
        const QStringList settings = {"Settings", "Buttons", "Chat", "Current IPs"};
        QTest::newRow("settings, desk list") << int(kCmdSettings) << 0 << settings << 1 << 0;
        QTest::newRow("settings, remote view") << int(kCmdSettings) << 1 << settings << 1 << 0;
        QTest::newRow("help, desk list") << int(kCmdHelp) << 0 << QStringList{"Help", ""} << 0 << 2;
        QTest::newRow("help, remote view") << int(kCmdHelp) << 1 << QStringList{"Help",
                                                                                "Hardware Buttons",
                                                                                "Program Button 1",
                                                                                "Program Button 2",
                                                                                "Cursor Button",
                                                                                "Program Button 3",
                                                                                "Program Button 4"}
                                           << 0 << 0;
    }
    void sheetsFromTheFrame() {
        QFETCH(int, command);
        QFETCH(int, remoteView);
        QFETCH(int, barButtons);
        RecordedDialogs dialogs;
        TestWindow window(*station_);
        RecordingDesk desk(station_->client);
        if (remoteView != 0) {
            window.Frame().HideDeskList();
        } else {
            window.Frame().ShowDeskList();
        }
        QStringList pages;
        int icons = 0;
        bool helpButton = false;
        OnNextModal([&](QWidget& modal) {
            auto& sheet = static_cast<PropertySheet&>(modal);
            pages << sheet.windowTitle();
            for (int i = 0; i < sheet.PageCount(); ++i) {
                pages << sheet.PageCaption(i);
                for (QLabel* icon : sheet.Page(i)->findChildren<QLabel*>("helpIcon"))
                    icons += icon->pixmap().isNull() ? 0 : 1;
            }
            helpButton = sheet.HelpButton()->isVisible();
            QCOMPARE(sheet.CommandBar().ItemCount(), barButtons);
            QWidget* focus = modal.focusWidget() != nullptr ? modal.focusWidget() : &modal;
            for (Qt::Key key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_A, Qt::Key_Space})
                QTest::keyClick(focus, key);
            QWheelEvent wheel(QPointF(2, 2), focus->mapToGlobal(QPointF(2, 2)), QPoint(),
                              QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                              false);
            QApplication::sendEvent(focus, &wheel);
            QTest::keyClick(&modal, Qt::Key_Escape);
        });
        window.Frame().OnCommand(command);
        QTEST(pages, "pages");
        QTEST(icons, "icons");
        QCOMPARE(helpButton, command == kCmdSettings);  // the help sheet has none
        QCOMPARE(station_->state.remoteView.load(), remoteView);
        QCOMPARE(desk.InputUntilMark(), std::vector<uint8_t>{});
        QVERIFY(dialogs.Requests().empty());
    }
};

QTEST_MAIN(SheetWindowTest)
#include "sheet_window_test.moc"
