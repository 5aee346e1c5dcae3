// The on-screen keyboard of the station's real frame: taps at the centres
// of its keys and keys released on it, checked as the desk emulator reads
// them, and the inverted keys read back from the drawn window.

#include <QKeyEvent>
#include <QtTest>
#include <map>
#include <memory>

#include "controls/keyboard_dialog.h"
#include "desk_input_trace.h"
#include "keyboard_keys.h"
#include "recorded_dialogs.h"
#include "scratch_settings.h"
#include "test_window.h"

namespace {

constexpr int kWaitMs = 15000;

// A key by its name (see KeyboardKeyRect); "Shift2" is the right Shift.
QRect KeyRect(const CKeyboardDialog& keyboard, const QString& name) {
    if (name == QLatin1String("Shift2"))
        return KeyboardKeyRect(keyboard.size(), "Shift", 1);
    return KeyboardKeyRect(keyboard.size(), name.toStdString());
}

const std::map<QString, int> kPhysicalKeys = {
    {"a", Qt::Key_A}, {"F5", Qt::Key_F5}, {";", Qt::Key_Semicolon}, {"Esc", Qt::Key_Escape}};

}  // namespace

class KeyboardDeskTest : public QObject {
    Q_OBJECT

    ScratchSettings settings_;
    RecordedDialogs dialogs_;
    std::unique_ptr<deskemu::DeskEmulator> desk_;
    std::unique_ptr<TestStation> station_;
    std::unique_ptr<TestWindow> window_;

    CMainFrame& Frame() { return window_->Frame(); }
    CKeyboardDialog* Keyboard() { return Frame().Keyboard(); }

    QStringList DeskInputSince(size_t from) {
        QStringList lines;
        for (const std::string& line :
             ::DeskInputSince(*desk_, station_->client, from, std::chrono::milliseconds(kWaitMs)))
            lines << QString::fromStdString(line);
        return lines;
    }

    // Taps keys by name ("outside": above every key); "close" runs the
    // keyboard command; "+x"/"-x" press and release a physical key.
    void Run(const QString& script) {
        for (const QString& token : script.split(' ')) {
            if (token == QLatin1String("close")) {
                Frame().OnCommand(kCmdKeyboard);
            } else if (token[0] == '+' || token[0] == '-') {
                QKeyEvent key(token[0] == '+' ? QEvent::KeyPress : QEvent::KeyRelease,
                              kPhysicalKeys.at(token.mid(1)), Qt::NoModifier, token.mid(1));
                QApplication::sendEvent(Keyboard(), &key);
            } else {
                const QRect rect = token == QLatin1String("outside") ? QRect(0, 0, 40, 20)
                                                                     : KeyRect(*Keyboard(), token);
                QVERIFY2(!rect.isEmpty(), qPrintable(token));
                QTest::mouseClick(Keyboard(), Qt::LeftButton, Qt::NoModifier, rect.center());
            }
        }
    }

  private slots:
    void initTestCase() {
        FillOwnStation(Ipv4FromText("127.0.0.1"), "station-test");
        desk_ = std::make_unique<deskemu::DeskEmulator>();
        QVERIFY(desk_->Start());
        station_ = std::make_unique<TestStation>();
        window_ = std::make_unique<TestWindow>(*station_);
        QCOMPARE(station_->client.Connect(Ipv4FromText("127.0.0.2"), 0),
                 ClientConnection::ConnectResult::Connected);
        QTRY_COMPARE_WITH_TIMEOUT(station_->state.deskReady.load(), 1, kWaitMs);
    }

    void cleanupTestCase() {
        Frame().OnCommand(kCmdKeyboard);
        QPointer<CKeyboardDialog> keyboard = Keyboard();
        QVERIFY(keyboard != nullptr);
        window_->window.close();  // the handheld window takes the keyboard with it
        QVERIFY(Keyboard() == nullptr && (keyboard == nullptr || !keyboard->isVisible()));
        window_.reset();
        station_.reset();
        desk_->Stop();
    }

    void init() {
        if (Keyboard() == nullptr)
            Frame().OnCommand(kCmdKeyboard);
        QVERIFY(QTest::qWaitForWindowExposed(Keyboard()));
        QCOMPARE(Keyboard()->size(), QSize(450, 150));
    }

    // What a case left latched is let go before the next one starts.
    void cleanup() {
        if (Keyboard() != nullptr)
            Frame().OnCommand(kCmdKeyboard);
        DeskInputSince(desk_->TraceSize());
    }

    void tapsReachTheDesk_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("inverted");  // of Shift, Shift2, Caps
        const QStringList none;
        QTest::newRow("Shift, a") << "Shift a"
                                  << QStringList{"key kind=1 code=65", "key kind=0 code=16"}
                                  << none;
        QTest::newRow("Shift latches") << "Shift" << none << QStringList{"Shift", "Shift2"};
        QTest::newRow("Shift twice") << "Shift Shift2" << QStringList{"key kind=0 code=16"} << none;
        QTest::newRow("Caps, 1") << "Caps 1"
                                 << QStringList{"key kind=0 code=20", "key kind=1 code=33"}
                                 << QStringList{"Caps"};
        QTest::newRow("closing lets Caps go")
            << "Caps close" << QStringList{"key kind=0 code=20", "key kind=0 code=20"} << none;
        QTest::newRow("Esc closes, lets Shift go")
            << "Shift +Esc" << QStringList{"key kind=0 code=16"} << none;
        QTest::newRow("Enter, Esc, Del, Tab, Backspace")
            << "Enter Esc Del Tab Backspace"
            << QStringList{"key kind=1 code=13", "key kind=0 code=27", "key kind=0 code=46",
                           "key kind=0 code=9", "key kind=0 code=8"}
            << none;
        QTest::newRow("arrows, paging")
            << "Left Up Down Right PgUp PgDn Home End"
            << QStringList{"key kind=0 code=37", "key kind=0 code=38", "key kind=0 code=40",
                           "key kind=0 code=39", "key kind=0 code=33", "key kind=0 code=34",
                           "key kind=0 code=36", "key kind=0 code=35"}
            << none;
        QTest::newRow("outside every key") << "outside" << none << none;
        QTest::newRow("physical key-ups only, sign-extended")
            << "+a -a +F5 -F5 +; -;"
            << QStringList{"key kind=0 code=65", "key kind=0 code=116", "key kind=0 code=65466"}
            << none;
    }
    void tapsReachTheDesk() {
        QFETCH(QString, script);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, inverted);
        const size_t from = desk_->TraceSize();
        Run(script);
        QCOMPARE(DeskInputSince(from), expected);
        if (Keyboard() == nullptr)
            return;
        // A key's face just inside its frames, as drawn or inverted.
        const QImage shot = Keyboard()->grab().toImage();
        const QRgb face = Keyboard()->palette().color(QPalette::Button).rgb();
        for (const QString name : {"Shift", "Shift2", "Caps"}) {
            const QRgb shown = shot.pixel(KeyRect(*Keyboard(), name).topLeft() + QPoint(3, 3));
            QCOMPARE(shown, inverted.contains(name) ? (~face | 0xFF000000) : face);
        }
    }
};

QTEST_MAIN(KeyboardDeskTest)
#include "keyboard_desk_test.moc"
