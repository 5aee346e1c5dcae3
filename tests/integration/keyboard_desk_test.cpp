// The on-screen keyboard of the station's real frame: taps at the centres
// of its keys and keys released on it, checked as the desk emulator reads
// them from the input channel, and the keys' inverted look read back from
// the drawn window.

#include <QKeyEvent>
#include <QScreen>
#include <QtTest>
#include <memory>

#include "app/handheld_dlg.h"
#include "app/screen_info.h"
#include "controls/keyboard_dialog.h"
#include "desk_emulator.h"
#include "desk_input_trace.h"
#include "discovery/station_record.h"
#include "display/display_surface.h"
#include "frame/main_frame.h"
#include "platform/winsock.h"
#include "recorded_dialogs.h"
#include "test_station.h"

namespace {

constexpr int kWaitMs = 15000;
const char kDeskAddress[] = "127.0.0.2";

// Keys by name: a character key by its plain character, a special key by
// its label or arrow; "Shift2" is the right Shift key.
QRect KeyRect(KeyboardInput& keyboard, const QString& name) {
    const char* const arrows[] = {"Left", "Right", "Up", "Down"};
    const int arrowKinds[] = {kKindLeft, kKindRight, kKindUp, kKindDown};
    int shifts = 0;
    for (const PlacedKey& key : keyboard.Keys()) {
        const KEYDEF& def = keyboard.Definition(key);
        QString label = QChar(uchar(def.key));
        if (IsSpecialKey(def))
            label = QString::fromLatin1(SpecialKeyLabel(def.shift));
        for (int i = 0; i < 4; ++i) {
            if (IsKind(def, KeyKind(arrowKinds[i])))
                label = QString::fromLatin1(arrows[i]);
        }
        if (IsKind(def, kKindShift) && ++shifts == 2)
            label = QStringLiteral("Shift2");
        if (label == name)
            return key.rect;
    }
    return {};
}

int QtKeyNamed(const QString& name) {
    if (name == QLatin1String("F5"))
        return Qt::Key_F5;
    if (name == QLatin1String(";"))
        return Qt::Key_Semicolon;
    return Qt::Key_A + (name[0].toLatin1() - 'a');
}

}  // namespace

class KeyboardDeskTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<deskemu::DeskEmulator> desk_;
    std::unique_ptr<TestStation> station_;
    std::unique_ptr<CHandheldDlg> window_;
    std::unique_ptr<RecordedDialogs> dialogs_;

    CMainFrame& Frame() { return *window_->Frame(); }
    CKeyboardDialog* Keyboard() { return Frame().Keyboard(); }

    QStringList DeskInputSince(size_t from) {
        QStringList lines;
        for (const std::string& line : ::DeskInputSince(*desk_, station_->client, from,
                                                        std::chrono::milliseconds(kWaitMs)))
            lines << QString::fromStdString(line);
        return lines;
    }

    // Taps keys by name, "outside" above every key, "close" runs the
    // keyboard command, "+x"/"-x" press and release a physical key.
    void Run(const QString& script) {
        for (const QString& token : script.split(' ', Qt::SkipEmptyParts)) {
            if (token == QLatin1String("close")) {
                Frame().OnCommand(kCmdKeyboard);
            } else if (token[0] == '+' || token[0] == '-') {
                const bool press = token[0] == '+';
                QKeyEvent key(press ? QEvent::KeyPress : QEvent::KeyRelease,
                              QtKeyNamed(token.mid(1)), Qt::NoModifier, token.mid(1));
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

    bool ShownInverted(const QImage& shot, const QString& name) {
        const QRect rect = KeyRect(Keyboard()->Input(), name);
        const QColor face = Keyboard()->palette().color(QPalette::Button);
        const QColor shown = shot.pixelColor(rect.topLeft() + QPoint(3, 3));
        return shown.rgb() == qRgb(255 - face.red(), 255 - face.green(), 255 - face.blue());
    }

  private slots:
    void initTestCase() {
        qputenv("KEL_REMOTE_REGISTRY", QByteArray("/tmp/kel-keyboard-test-") +
                                           QByteArray::number(QCoreApplication::applicationPid()) +
                                           ".ini");
        dialogs_ = std::make_unique<RecordedDialogs>();
        FillOwnStation(Ipv4FromText("127.0.0.1"), "station-test");
        deskemu::Options options;
        options.address = kDeskAddress;
        desk_ = std::make_unique<deskemu::DeskEmulator>(options);
        std::string error;
        QVERIFY2(desk_->Start(&error), error.c_str());
        SetScreenInfoOverride(ScreenInfo{QSize(1280, 1024), 32});
        SetDisplayDepthOverride(32);
        station_ = std::make_unique<TestStation>();
        window_ = std::make_unique<CHandheldDlg>(station_->Services());
        window_->OnInitDialog({});
        window_->show();
        QCOMPARE(station_->client.Connect(Ipv4FromText(kDeskAddress), 0),
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
        dialogs_.reset();
    }

    void init() {
        if (Keyboard() == nullptr)
            Frame().OnCommand(kCmdKeyboard);
        QVERIFY(Keyboard() != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(Keyboard()));
    }

    // Whatever a case left latched is let go before the next one starts.
    void cleanup() {
        if (Keyboard() != nullptr)
            Frame().OnCommand(kCmdKeyboard);
        DeskInputSince(desk_->TraceSize());
    }

    void tapsReachTheDesk_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("inverted");  // of Shift, Shift2, Caps
        QTest::newRow("Shift then a") << "Shift a"
                                      << QStringList{"key kind=1 code=65", "key kind=0 code=16"}
                                      << QStringList{};
        QTest::newRow("Shift latches") << "Shift" << QStringList{}
                                       << QStringList{"Shift", "Shift2"};
        QTest::newRow("Shift twice") << "Shift Shift2" << QStringList{"key kind=0 code=16"}
                                     << QStringList{};
        QTest::newRow("Caps then 1") << "Caps 1"
                                     << QStringList{"key kind=0 code=20", "key kind=1 code=33"}
                                     << QStringList{"Caps"};
        QTest::newRow("closing lets Caps go")
            << "Caps close" << QStringList{"key kind=0 code=20", "key kind=0 code=20"}
            << QStringList{};
        QTest::newRow("closing lets Shift go")
            << "Shift close" << QStringList{"key kind=0 code=16"} << QStringList{};
        QTest::newRow("Enter, Esc, Del")
            << "Enter Esc Del"
            << QStringList{"key kind=1 code=13", "key kind=0 code=27", "key kind=0 code=46"}
            << QStringList{};
        QTest::newRow("arrows") << "Left Up Down Right"
                                << QStringList{"key kind=0 code=37", "key kind=0 code=38",
                                               "key kind=0 code=40", "key kind=0 code=39"}
                                << QStringList{};
        QTest::newRow("Tab, Backspace, paging")
            << "Tab Backspace PgUp PgDn Home End"
            << QStringList{"key kind=0 code=9",  "key kind=0 code=8",  "key kind=0 code=33",
                           "key kind=0 code=34", "key kind=0 code=36", "key kind=0 code=35"}
            << QStringList{};
        QTest::newRow("outside every key") << "outside" << QStringList{} << QStringList{};
        QTest::newRow("physical key-ups only, sign-extended")
            << "+a -a +F5 -F5 +; -;"
            << QStringList{"key kind=0 code=65", "key kind=0 code=116", "key kind=0 code=65466"}
            << QStringList{};
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
        const QImage shot = Keyboard()->grab().toImage();
        for (const QString name : {"Shift", "Shift2", "Caps"})
            QCOMPARE(ShownInverted(shot, name), inverted.contains(name));
    }

    void tappedKeyShowsPressedUntilRelease() {
        const QPoint at = KeyRect(Keyboard()->Input(), QStringLiteral("q")).center();
        QTest::mousePress(Keyboard(), Qt::LeftButton, Qt::NoModifier, at);
        QVERIFY(ShownInverted(Keyboard()->grab().toImage(), QStringLiteral("q")));
        QTest::mouseRelease(Keyboard(), Qt::LeftButton, Qt::NoModifier, at);
        QVERIFY(!ShownInverted(Keyboard()->grab().toImage(), QStringLiteral("q")));
    }

    void opensBelowTheHandheldAtItsDefaultSize() {
        QCOMPARE(Keyboard()->size(), QSize(450, 150));
        QCOMPARE(Keyboard()->windowTitle(), QStringLiteral("Kel Remote Keyboard"));
        const QRect screen = window_->screen()->availableGeometry();
        QCOMPARE(Keyboard()->pos(),
                 KeyboardPosition(window_->frameGeometry(), Keyboard()->size(), screen));
    }

    void closes_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("keyboard command") << "command";
        QTest::newRow("Enter") << "Enter";
        QTest::newRow("Esc") << "Esc";
        QTest::newRow("close box") << "close box";
    }
    void closes() {
        QFETCH(QString, how);
        QPointer<CKeyboardDialog> keyboard = Keyboard();
        if (how == QLatin1String("command"))
            Frame().OnCommand(kCmdKeyboard);
        else if (how == QLatin1String("close box"))
            keyboard->close();
        else
            QTest::keyPress(keyboard, how == QLatin1String("Esc") ? Qt::Key_Escape : Qt::Key_Return);
        QVERIFY(Keyboard() == nullptr);
        QTRY_VERIFY(keyboard == nullptr);  // deleted once its handler has returned
    }
};

QTEST_MAIN(KeyboardDeskTest)
#include "keyboard_desk_test.moc"
