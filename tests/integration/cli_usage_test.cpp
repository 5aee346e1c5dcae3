// kel-remote-cli's conventions, met before any socket is opened: a usage
// error is one line on standard error naming what was wrong, exit code 1,
// nothing written; --help and --version of every command exit 0.

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <string>

namespace {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string errors;
};

CliRun RunCli(const QTemporaryDir& folder, const QStringList& args) {
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("KEL_REMOTE_REGISTRY", folder.filePath("settings.ini"));
    cli.setProcessEnvironment(environment);
    cli.setWorkingDirectory(folder.path());
    cli.start(KEL_REMOTE_CLI, args);
    if (!cli.waitForFinished(20000) || cli.exitStatus() != QProcess::NormalExit)
        return {};
    return {cli.exitCode(), cli.readAllStandardOutput().toStdString(),
            cli.readAllStandardError().toStdString()};
}

TEST(CliUsage, ErrorsNameWhatWasWrongInOneLine) {
    const std::string snapshot = "kel-remote-cli snapshot: ";
    const std::string discover = "kel-remote-cli discover: ";
    const std::string chat = "kel-remote-cli chat: ";
    const struct {
        QStringList args;
        std::string error;
    } cases[] = {
        {{"snapshot", "desk.local", "x.png"}, snapshot + "'desk.local' is not an IPv4 address"},
        {{"snapshot", "0.0.0.0", "x.png"}, snapshot + "'0.0.0.0' cannot be a desk's address"},
        {{"snapshot", "255.255.255.255", "x.png"},
         snapshot + "'255.255.255.255' cannot be a desk's address"},
        {{"snapshot", "239.1.2.3", "x.png"}, snapshot + "'239.1.2.3' cannot be a desk's address"},
        {{"snapshot", "127.0.0.9", "x.jpg"},
         snapshot + "'x.jpg' does not end in .png; the screen is written as PNG only"},
        {{"snapshot", "127.0.0.9"}, snapshot + "needs DESK and OUT.png"},
        {{"snapshot", "127.0.0.9", "a.png", "b.png"}, snapshot + "unexpected argument 'b.png'"},
        {{"snapshot", "127.0.0.9", "a.png", "--frames", "x"},
         snapshot + "--frames needs a whole number of 0 or more, not 'x'"},
        {{"snapshot", "127.0.0.9", "a.png", "--timeout", "0"},
         snapshot + "--timeout needs a whole number of 1 or more, not '0'"},
        {{"snapshot", "127.0.0.9", "a.png", "--user"}, snapshot + "--user needs a value"},
        {{"snapshot", "127.0.0.9", "a.png", "--colour"}, snapshot + "unknown option '--colour'"},
        {{"discover", "--seconds", "x"},
         discover + "--seconds needs a number from 0 to 86400, not 'x'"},
        {{"discover", "--seconds", "-1"},
         discover + "--seconds needs a number from 0 to 86400, not '-1'"},
        {{"discover", "now"}, discover + "unexpected argument 'now'"},
        {{"chat", "listen", "desk"}, chat + "'desk' is not an IPv4 address"},
        {{"chat", "send", "127.0.0.9"}, chat + "send needs DESK and TEXT"},
        {{"chat", "shout"}, chat + "unknown chat command 'shout'"},
        {{}, "kel-remote-cli: needs a command: snapshot, discover or chat (see --help)"},
        {{"bogus"}, "kel-remote-cli: unknown command 'bogus' (see --help)"},
    };
    for (const auto& c : cases) {
        const std::string name = c.args.join(' ').toStdString();
        QTemporaryDir folder;
        const CliRun run = RunCli(folder, c.args);
        EXPECT_EQ(run.exitCode, 1) << name;
        EXPECT_EQ(run.errors, c.error + "\n") << name;
        EXPECT_EQ(run.out, "") << name;
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{}) << name;
    }
}

TEST(CliUsage, HelpAndVersionOfEveryCommand) {
    QTemporaryDir folder;
    for (const QStringList& command :
         {QStringList{}, {"snapshot"}, {"discover"}, {"chat"}, {"chat", "send"}}) {
        const CliRun help = RunCli(folder, command + QStringList{"--help"});
        EXPECT_EQ(help.exitCode, 0) << command.join(' ').toStdString();
        EXPECT_TRUE(help.out.starts_with("Usage: kel-remote-cli ")) << help.out;
        EXPECT_EQ(help.errors, "");
        const CliRun version = RunCli(folder, command + QStringList{"--version"});
        EXPECT_EQ(version.exitCode, 0) << command.join(' ').toStdString();
        EXPECT_EQ(version.out, "kel-remote-cli " KEL_VERSION "\n");
    }
}

}  // namespace
