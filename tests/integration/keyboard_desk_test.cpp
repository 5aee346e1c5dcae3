// The on-screen keyboard of the station's real frame: taps at the centres
// of its keys and keys released on it, checked as the desk emulator reads
// them, and the inverted keys read back from the drawn window.

#include <QKeyEvent>
#include <QtTest>
#include <memory>

#include "app/handheld_dlg.h"
#include "app/screen_info.h"
#include "controls/keyboard_dialog.h"
#include "desk_input_trace.h"
#include "discovery/station_record.h"
#include "display/display_surface.h"
#include "frame/main_frame.h"
#include "platform/winsock.h"
#include "recorded_dialogs.h"
#include "test_station.h"

namespace {

constexpr int kWaitMs = 15000;

// A key by its plain character or label; arrows and the right Shift by name.
QRect KeyRect(KeyboardInput& keyboard, const QString& name) {
    const std::map<int, QString> arrows = {
        {kKindLeft, "Left"}, {kKindRight, "Right"}, {kKindUp, "Up"}, {kKindDown, "Down"}};
    int shifts = 0;
    for (const PlacedKey& key : keyboard.Keys()) {
        const KEYDEF& def = keyboard.Definition(key);
        QString label = IsSpecialKey(def) ? QString::fromLatin1(SpecialKeyLabel(def.shift))
                                          : QString(QChar(uchar(def.key)));
        if (IsSpecialKey(def) && arrows.count(def.shift))
            label = arrows.at(def.shift);
        if (IsKind(def, kKindShift) && ++shifts == 2)
            label = QStringLiteral("Shift2");
        if (label == name)
            return key.rect;
    }
    return {};
}

const std::map<QString, int> kPhysicalKeys = {
    {"a", Qt::Key_A}, {"F5", Qt::Key_F5}, {";", Qt::Key_Semicolon}, {"Esc", Qt::Key_Escape}};

}  // namespace

class KeyboardDeskTest : public QObject {
    Q_OBJECT

    std::unique_ptr<deskemu::DeskEmulator> desk_;
    std::unique_ptr<TestStation> station_;
    std::unique_ptr<CHandheldDlg> window_;
    RecordedDialogs dialogs_;

    CMainFrame& Frame() { return *window_->Frame(); }
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
                const QRect rect = token == QLatin1String("outside")
                                       ? QRect(0, 0, 40, 20)
                                       : KeyRect(Keyboard()->Input(), token);
                QVERIFY2(!rect.isEmpty(), qPrintable(token));
                QTest::mouseClick(Keyboard(), Qt::LeftButton, Qt::NoModifier, rect.center());
            }
        }
    }

  private slots:
    void initTestCase() {
        qputenv("KEL_REMOTE_REGISTRY",
                "/tmp/kel-keyboard-test-" + QByteArray::number(QCoreApplication::applicationPid()));
        FillOwnStation(Ipv4FromText("127.0.0.1"), "station-test");
        desk_ = std::make_unique<deskemu::DeskEmulator>();
        QVERIFY(desk_->Start());
        SetScreenInfoOverride(ScreenInfo{QSize(1280, 1024), 32});
        SetDisplayDepthOverride(32);
        station_ = std::make_unique<TestStation>();
        window_ = std::make_unique<CHandheldDlg>(station_->Services());
        window_->OnInitDialog({});
        window_->show();
        QCOMPARE(station_->client.Connect(Ipv4FromText("127.0.0.2"), 0),
                 ClientConnection::ConnectResult::Connected);
        QTRY_COMPARE_WITH_TIMEOUT(station_->state.deskReady.load(), 1, kWaitMs);
    }

    void cleanupTestCase() {
        Frame().OnCommand(kCmdKeyboard);
        QPointer<CKeyboardDialog> keyboard = Keyboard();
        QVERIFY(keyboard != nullptr);
        window_->close();  // the handheld window takes the keyboard with it
        QVERIFY(Keyboard() == nullptr && (keyboard == nullptr || !keyboard->isVisible()));
        window_.reset();
        station_.reset();
        desk_->Stop();
        SetScreenInfoOverride(std::nullopt);
        SetDisplayDepthOverride(0);
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
            const QRgb shown =
                shot.pixel(KeyRect(Keyboard()->Input(), name).topLeft() + QPoint(3, 3));
            QCOMPARE(shown, inverted.contains(name) ? (~face | 0xFF000000) : face);
        }
    }
};

QTEST_MAIN(KeyboardDeskTest)
#include "keyboard_desk_test.moc"
