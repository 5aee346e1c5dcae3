// The command line of kel-desk-emulator.

#include <gtest/gtest.h>

#include "emulator_options.h"

namespace deskemu {
namespace {

CommandLine Parse(std::vector<const char*> args, Options* options, std::string* problem) {
    args.insert(args.begin(), "kel-desk-emulator");
    return ParseCommandLine(static_cast<int>(args.size()), args.data(), options, problem);
}

TEST(DeskEmulatorOptions, EveryOptionReachesTheDesk) {
    Options o;
    std::string problem;
    ASSERT_EQ(Parse({"--address",
                     "127.0.0.9",
                     "--own-interface",
                     "127.0.0.1",
                     "--name",
                     "FOH 2",
                     "--type",
                     "6",
                     "--software-version",
                     "4000",
                     "--protocol",
                     "5499",
                     "--display-version",
                     "-2",
                     "--emulation",
                     "--refuse",
                     "Busy",
                     "--user",
                     "op",
                     "--cursor-mode",
                     "0",
                     "--mode",
                     "8",
                     "--state",
                     "2",
                     "--accept-empty",
                     "--no-heartbeats",
                     "--no-chat"},
                    &o, &problem),
              CommandLine::kRun)
        << problem;
    EXPECT_EQ(o.address, "127.0.0.9");
    EXPECT_EQ(o.ownInterface, "127.0.0.1");
    EXPECT_EQ(o.name, "FOH 2");
    EXPECT_EQ(o.type, 6);
    EXPECT_EQ(o.softwareVersion, 4000);
    EXPECT_EQ(o.protocol, 5499);
    EXPECT_EQ(o.displayVersion, -2);
    EXPECT_TRUE(o.emulation);
    EXPECT_EQ(o.refusal, "Busy");
    EXPECT_EQ(o.userName, "op");
    EXPECT_EQ(o.cursorMode, 0);
    EXPECT_EQ(o.deskMode, 8);
    EXPECT_EQ(o.state, 2);
    EXPECT_TRUE(o.acceptWithEmptyString);
    EXPECT_FALSE(o.heartbeats);
    EXPECT_FALSE(o.chat);
}

struct BadLine {
    std::vector<const char*> args;
    std::string problem;
};

void PrintTo(const BadLine& b, std::ostream* os) {
    *os << b.problem;
}

class DeskEmulatorBadOptions : public testing::TestWithParam<BadLine> {};

TEST_P(DeskEmulatorBadOptions, AreRefusedWithAReason) {
    Options o;
    std::string problem;
    EXPECT_EQ(Parse(GetParam().args, &o, &problem), CommandLine::kError);
    EXPECT_EQ(problem, GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DeskEmulatorBadOptions,
    testing::Values(BadLine{{"--address", "127.0.0"}, "bad value for --address: 127.0.0"},
                    BadLine{{"--cursor-mode", "256"}, "bad value for --cursor-mode: 256"},
                    BadLine{{"--display-version", "40000"},
                            "bad value for --display-version: 40000"},
                    BadLine{{"--type", "one"}, "bad value for --type: one"},
                    BadLine{{"--refuse", ""}, "bad value for --refuse: "},
                    BadLine{{"--name"}, "--name needs a value"},
                    BadLine{{"--colour", "red"}, "unknown option --colour"}));

TEST(DeskEmulatorOptions, HelpNamesEveryOption) {
    Options o;
    std::string problem;
    EXPECT_EQ(Parse({"--name", "x", "--help"}, &o, &problem), CommandLine::kHelp);
    const std::string usage = UsageText();
    for (const char* option : {"--address A",
                               "--own-interface A",
                               "--name N",
                               "--type T",
                               "--software-version V",
                               "--protocol P",
                               "--display-version V",
                               "--emulation",
                               "--refuse TEXT",
                               "--user NAME",
                               "--cursor-mode B",
                               "beep N",
                               "panel N",
                               "mode N",
                               "throw-out",
                               "go-silent",
                               "resume",
                               "state N",
                               "drop",
                               "chat TEXT",
                               "quit"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}

}  // namespace
}  // namespace deskemu
