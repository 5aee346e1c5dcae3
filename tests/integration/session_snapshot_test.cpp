// kel-remote-cli snapshot against the desk emulator: the PNG is the desk's
// screen pixel for pixel; failures end with their exit codes and texts.

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <string>

#include "desk_emulator.h"
#include "session_fakes.h"

// The tool runs as a child process, started while the desk's threads run;
// the child execs at once, which is safe.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_options() {
    return "die_after_fork=0";
}
#endif

namespace {

struct CliRun {
    int exitCode = -1;
    std::string errors;
};

CliRun RunCli(const QStringList& args) {
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // An empty settings store of its own, so no stored user interferes.
    environment.insert("KEL_REMOTE_REGISTRY", QDir::temp().filePath("kel-snapshot-test.ini"));
    cli.setProcessEnvironment(environment);
    cli.start(KEL_REMOTE_CLI, args);
    if (!cli.waitForFinished(60000)) {
        cli.kill();
        cli.waitForFinished();
        return {};
    }
    return {cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1,
            cli.readAllStandardError().toStdString()};
}

uint16_t Rgb565Of(QRgb pixel) {
    return static_cast<uint16_t>(((qRed(pixel) >> 3) << 11) | ((qGreen(pixel) >> 2) << 5) |
                                 (qBlue(pixel) >> 3));
}

deskemu::Options DeskAt(const char* address) {
    deskemu::Options options;
    options.address = address;
    return options;
}

TEST(Snapshot, WritesTheDeskScreenPixelForPixel) {
    deskemu::DeskEmulator desk(DeskAt("127.0.0.50"));
    ASSERT_TRUE(desk.Start());
    QTemporaryDir folder;
    const QString png = folder.filePath("desk.png");
    const CliRun run = RunCli({"snapshot", "127.0.0.50", png, "--user", "Ann"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_TRUE(desk.WaitForTrace("user name=Ann", 5s));
    EXPECT_TRUE(desk.WaitForTrace("register code=1501", 5s));
    const QImage image(png);
    ASSERT_EQ(image.width(), 240);
    ASSERT_EQ(image.height(), 268);
    const deskemu::Frame frame = desk.LastSentFrame();
    int differing = 0;
    for (int y = 0; y < 268; ++y) {
        for (int x = 0; x < 240; ++x) {
            const QRgb pixel = image.pixel(x, y);
            const uint16_t expected = frame[static_cast<size_t>(y) * 240 + x];
            differing += Rgb565Of(pixel) != expected;
        }
    }
    EXPECT_EQ(differing, 0);
    // 565 widened by bit replication: the low bits repeat the high ones
    const QRgb corner = image.pixel(0, 0);
    EXPECT_EQ(qRed(corner) & 7, qRed(corner) >> 5);
    EXPECT_EQ(qGreen(corner) & 3, qGreen(corner) >> 6);
}

TEST(Snapshot, FailuresEndWithTheirExitCodes) {
    struct Case {
        std::string name;
        QStringList args;
        int exitCode;
        std::string errorText;
    };
    deskemu::DeskEmulator working(DeskAt("127.0.0.51"));
    ASSERT_TRUE(working.Start());
    deskemu::Options refusing = DeskAt("127.0.0.52");
    refusing.refusal = "Desk is busy";
    deskemu::DeskEmulator busy(refusing);
    ASSERT_TRUE(busy.Start());
    QTemporaryDir folder;
    const QString png = folder.filePath("x.png");
    const Case cases[] = {
        {"unreachable",
         {"snapshot", "127.0.0.53", png},
         2,
         "Could not connect to host 127.0.0.53: connection refused (errno 10061)\n"},
        {"refused", {"snapshot", "127.0.0.52", png}, 3, "Desk is busy\n"},
        {"timeout", {"snapshot", "127.0.0.51", png, "--frames", "100000", "--timeout", "1"}, 4, ""},
        {"usage", {"snapshot", "not-an-address", png}, 1, ""},
    };
    for (const Case& c : cases) {
        const CliRun run = RunCli(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name << ": " << run.errors;
        // The text ends the error output (the platform may say things first).
        const std::string tail =
            run.errors.substr(run.errors.size() - std::min(run.errors.size(), c.errorText.size()));
        EXPECT_EQ(tail, c.errorText) << c.name;
        EXPECT_FALSE(QFile::exists(png)) << c.name;
    }
}

}  // namespace
