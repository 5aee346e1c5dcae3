// The browser gateway's page in a real browser: headless Chromium at a
// phone's size opens the page of the real kel-remote-web program, taps the
// emulated desk, shows its screen pixel for pixel, taps a touch button and
// types. Screenshots at phone and tablet sizes are kept as artifacts.

#include <QDir>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include <csignal>

#include "desk_emulator.h"
#include "desk_screen.h"
#include "headless_browser.h"

namespace {

constexpr int kWaitMs = 40000;
constexpr int kWidth = deskemu::kScreenWidth;
constexpr int kHeight = deskemu::kScreenHeight;

// RGB565 as the page draws it: bit replication.
QRgb Rgb(uint16_t p) {
    const int r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
    return qRgb((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2));
}

bool SameAsDesk(const QImage& canvas, const deskemu::Frame& frame) {
    if (canvas.size() != QSize(kWidth, kHeight))
        return false;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (canvas.pixel(x, y) != Rgb(frame[static_cast<size_t>(y) * kWidth + x]))
                return false;
    return true;
}

void Keep(const QByteArray& png, const QString& name) {
    QDir().mkpath(QStringLiteral(KEL_ARTIFACT_DIR));
    QFile file(QStringLiteral(KEL_ARTIFACT_DIR "/") + name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(png);
}

}  // namespace

class WebBrowserE2eTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    std::unique_ptr<deskemu::DeskEmulator> desk_;
    QProcess gateway_;
    QString url_;
    std::unique_ptr<HeadlessBrowser> browser_;

    bool Traced(const std::string& line, size_t from = 0) {
        return desk_->WaitForTrace(line, std::chrono::milliseconds(kWaitMs), from).has_value();
    }
    bool CanvasShowsDesk() {
        return QTest::qWaitFor(
            [&] { return SameAsDesk(browser_->CanvasImage("#screen"), desk_->LastSentFrame()); },
            kWaitMs);
    }
    void TapCentre(const QString& selector) {
        const QJsonObject box = browser_->Box(selector);
        browser_->Tap(box["x"].toDouble() + box["width"].toDouble() / 2,
                      box["y"].toDouble() + box["height"].toDouble() / 2);
    }
    // A banner of the page shows exactly this text.
    bool BannerShown(const QString& text) {
        return browser_->WaitFor(QStringLiteral("[...document.querySelectorAll('.banner p')].some("
                                                "(p) => p.textContent === %1)")
                                     .arg(HeadlessBrowser::Literal(text)),
                                 kWaitMs);
    }
    // Starts the program on a free port and reads the page's address it prints.
    bool StartGateway() {
        url_.clear();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KEL_REMOTE_REGISTRY", dir_.filePath("registry.ini"));
        gateway_.setProcessEnvironment(env);
        gateway_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        gateway_.start(QStringLiteral(KEL_REMOTE_WEB_PROGRAM), {"--listen", "127.0.0.1:0"});
        const auto addressPrinted = [&] {
            gateway_.waitForReadyRead(100);
            while (gateway_.canReadLine()) {
                const QString line = QString::fromUtf8(gateway_.readLine()).trimmed();
                if (line.startsWith("http://"))
                    url_ = line;
            }
            return !url_.isEmpty();
        };
        return gateway_.waitForStarted() && QTest::qWaitFor(addressPrinted, kWaitMs);
    }
    // Taps the desk in the page's list; true once its screen is shown.
    bool OpenDesk() {
        if (!browser_->WaitFor("document.querySelector('" + kDeskButton + "')", kWaitMs))
            return false;
        TapCentre(kDeskButton);
        return browser_->WaitFor("!document.getElementById('remote').hidden", kWaitMs) &&
               CanvasShowsDesk();
    }
    const QString kDeskButton = QStringLiteral("#desk-list button[data-address=\"127.0.0.2\"]");

  private slots:
    void initTestCase() {
        if (HeadlessBrowser::Program().isEmpty())
            QSKIP("chromium is not installed; scripts/install-deps installs it");
        deskemu::Options options;
        options.address = "127.0.0.2";
        options.ownInterface = "127.0.0.1";
        options.name = "Phone Desk";
        options.heartbeats = true;
        options.heartbeatInterval = std::chrono::milliseconds(200);
        desk_ = std::make_unique<deskemu::DeskEmulator>(options);
        std::string error;
        QVERIFY2(desk_->Start(&error), error.c_str());

        QVERIFY(StartGateway());
        QVERIFY(url_.contains("?token="));

        browser_ = std::make_unique<HeadlessBrowser>();
        QString problem;
        QVERIFY2(browser_->Start(&problem), qPrintable(problem));
    }

    void phonePageDrivesTheDesk() {
        browser_->Emulate(390, 844, 3);
        QVERIFY(browser_->Navigate(url_));
        QVERIFY(browser_->WaitFor("document.querySelector('" + kDeskButton + "')", kWaitMs));
        Keep(browser_->Screenshot(), "phone_desks.png");
        QVERIFY(OpenDesk());
        // Each desk pixel is a whole number of device pixels.
        const QJsonObject screen = browser_->Box("#screen");
        const double devicePixels = screen["width"].toDouble() * 3;
        QVERIFY(devicePixels >= kWidth);
        QCOMPARE(std::fmod(devicePixels, double{kWidth}), 0.0);

        // A tap on touch button 10 reaches the desk at its pixel and lights it.
        const deskemu::Rect button = deskemu::ButtonRect(9);
        const int x = button.x + button.w / 2 + 1, y = button.y + button.h / 2 - 1;
        const double scale = screen["width"].toDouble() / kWidth;
        size_t from = desk_->TraceSize();
        browser_->Tap(screen["x"].toDouble() + (x + 0.5) * scale,
                      screen["y"].toDouble() + (y + 0.5) * scale);
        const std::string at = " x=" + std::to_string(x) + " y=" + std::to_string(y);
        QVERIFY(Traced("pointer event=2" + at, from));
        QVERIFY(Traced("pointer event=4" + at, from));
        QTRY_COMPARE_WITH_TIMEOUT(
            desk_->LastSentFrame()[static_cast<size_t>(button.y + 1) * kWidth + button.x + 1],
            deskemu::kLitButtonColour, kWaitMs);
        QVERIFY(CanvasShowsDesk());

        // The phone's keyboard types into the page; the desk echoes it.
        TapCentre("#keyboard");
        QVERIFY(browser_->WaitFor("document.activeElement.id === 'keys'", kWaitMs));
        from = desk_->TraceSize();
        const uint64_t screens = desk_->ScreensSent();
        browser_->InsertText("a");
        QVERIFY(Traced("key kind=1 code=97", from));
        QVERIFY(desk_->WaitForScreens(screens + 1, std::chrono::milliseconds(kWaitMs)));
        QVERIFY(CanvasShowsDesk());
        Keep(browser_->Screenshot(), "phone.png");
    }

    void tabletAndLandscape_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QString>("name");
        QTest::newRow("tablet") << 820 << 1180 << 2.0 << "tablet.png";
        QTest::newRow("phone landscape") << 844 << 390 << 3.0 << "phone_landscape.png";
        QTest::newRow("tablet landscape") << 1180 << 820 << 2.0 << "tablet_landscape.png";
    }
    void tabletAndLandscape() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(double, scale);
        QFETCH(QString, name);
        browser_->Emulate(width, height, scale);
        // The screen is laid out again for the new size: it fits, at a
        // whole number of device pixels per desk pixel.
        QVERIFY(browser_->WaitFor(
            QStringLiteral(
                "(() => { const r = document.getElementById('screen').getBoundingClientRect();"
                " const c = document.getElementById('controls').getBoundingClientRect();"
                " return r.right <= innerWidth && r.bottom <= innerHeight && c.bottom <= "
                "innerHeight"
                " && Math.abs(r.width * %1 / 240 - Math.round(r.width * %1 / 240)) < 1e-6"
                " && (innerWidth > innerHeight ? c.left >= r.right : c.top >= r.bottom); })()")
                .arg(scale),
            kWaitMs));
        QVERIFY(CanvasShowsDesk());
        Keep(browser_->Screenshot(), name);
    }

    // A lost desk and a refusal are banners over the page. Nothing blocks
    // the page's script: a dialog would stop every evaluation here.
    void bannersTellWithoutBlocking() {
        browser_->Emulate(390, 844, 3);
        desk_->GoSilent();
        QVERIFY(BannerShown("Lost connection to host 127.0.0.2.\nTrying to reconnect"));
        QVERIFY(
            browser_->WaitFor("document.querySelector('.banner .elapsed').textContent", kWaitMs));
        Keep(browser_->Screenshot(), "phone_lost.png");
        // Heard again: the session goes on and the banner goes.
        desk_->Resume();
        QVERIFY(browser_->WaitFor("!document.querySelector('.banner .elapsed')", kWaitMs));
        QVERIFY(CanvasShowsDesk());

        TapCentre("#disconnect");
        QVERIFY(browser_->WaitFor("document.getElementById('remote').hidden", kWaitMs));
        desk_->SetRefusal("Desk busy:\nshow running");
        TapCentre(kDeskButton);
        QVERIFY(BannerShown("Desk busy:\nshow running"));
        Keep(browser_->Screenshot(), "phone_refused.png");
        desk_->SetRefusal(std::nullopt);
        QVERIFY(OpenDesk());
    }

    // A signal ends the program in order: it deregisters from the desk and
    // tells the browsers why they lose it.
    void endsCleanlyOnSignal_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
    }
    void endsCleanlyOnSignal() {
        QFETCH(int, signal);
        if (gateway_.state() == QProcess::NotRunning) {
            QVERIFY(StartGateway());
            QVERIFY(browser_->Navigate(url_));
            QVERIFY(OpenDesk());
        }
        const size_t from = desk_->TraceSize();
        ::kill(static_cast<pid_t>(gateway_.processId()), signal);
        QVERIFY(gateway_.waitForFinished(kWaitMs));
        QCOMPARE(gateway_.exitStatus(), QProcess::NormalExit);
        QCOMPARE(gateway_.exitCode(), 0);
        QVERIFY(Traced("register code=1501", from));
        QVERIFY(BannerShown("The gateway is shutting down."));
    }

    void cleanupTestCase() {
        browser_.reset();
        if (gateway_.state() != QProcess::NotRunning) {
            gateway_.kill();
            gateway_.waitForFinished();
        }
        if (desk_)
            desk_->Stop();
    }
};

QTEST_GUILESS_MAIN(WebBrowserE2eTest)
#include "web_browser_e2e_test.moc"
