// kel-remote-cli discover against the desk emulator. Runs only inside the
// private network namespace.

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <string>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "desk_emulator.h"
#include "platform/byte_order.h"
#include "platform/winsock.h"

namespace {

using namespace std::chrono_literals;

// Joins the heartbeat group to see who announces itself.
class GroupWatcher {
  public:
    GroupWatcher() : socket_(::socket(AF_INET, SOCK_DGRAM, 0)) {
        const int one = 1;
        ::setsockopt(socket_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        const sockaddr_in any = MakeSocketAddress(0, 6000);
        EXPECT_EQ(::bind(socket_, reinterpret_cast<const sockaddr*>(&any), sizeof any), 0);
        ip_mreq m{};
        m.imr_multiaddr = MakeSocketAddress(Ipv4FromText("236.3.0.1"), 0).sin_addr;
        m.imr_interface = MakeSocketAddress(Ipv4FromText("127.0.0.1"), 0).sin_addr;
        EXPECT_EQ(::setsockopt(socket_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &m, sizeof m), 0);
    }
    ~GroupWatcher() { closesocket(socket_); }
    // Types announced since the watcher joined.
    std::vector<int32_t> AnnouncedTypes() {
        std::vector<int32_t> types;
        uint8_t bytes[272];
        ssize_t n;
        while ((n = ::recv(socket_, bytes, sizeof bytes, MSG_DONTWAIT)) > 0) {
            if (n >= 80)
                types.push_back(LoadLeI32(bytes + 16 + 60));
        }
        return types;
    }

  private:
    SOCKET socket_;
};

// Reads the tool's output line by line.
std::string NextLine(QProcess& tool) {
    const auto end = std::chrono::steady_clock::now() + 15s;
    while (!tool.canReadLine() && std::chrono::steady_clock::now() < end) {
        if (!tool.waitForReadyRead(500) && tool.state() == QProcess::NotRunning)
            break;
    }
    return tool.canReadLine() ? tool.readLine().trimmed().toStdString() : std::string();
}

TEST(DiscoverCommand, ListsTheEmulatedDeskAndItsLeaving) {
    GroupWatcher watcher;
    deskemu::Options options;
    options.address = "127.0.0.2";
    options.ownInterface = "127.0.0.1";
    options.name = "Line\tDesk";
    options.type = 2;
    options.emulation = true;
    options.displayVersion = 4321;
    options.heartbeats = true;
    options.heartbeatInterval = 200ms;
    deskemu::DeskEmulator desk(options);
    std::string error;
    ASSERT_TRUE(desk.Start(&error)) << error;

    QTemporaryDir dir;
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KEL_REMOTE_REGISTRY", dir.filePath("registry.ini"));
    tool.setProcessEnvironment(env);
    tool.setProcessChannelMode(QProcess::SeparateChannels);
    tool.start(KEL_REMOTE_CLI, {"discover", "--seconds", "6"});
    ASSERT_TRUE(tool.waitForStarted());

    EXPECT_EQ(NextLine(tool), "127.0.0.2\tLine?Desk\tKel Delta Emu\t4.321");
    desk.SetState(0);
    EXPECT_EQ(NextLine(tool), "gone 127.0.0.2");
    ASSERT_TRUE(tool.waitForFinished(20000));
    EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tool.exitCode(), 0);
    EXPECT_EQ(tool.readAllStandardOutput().toStdString(), "");
    desk.Stop();

    // Only the desk announced itself: the tool listens without sending.
    const auto types = watcher.AnnouncedTypes();
    EXPECT_FALSE(types.empty());
    for (int32_t type : types)
        EXPECT_EQ(type, 2);
}

TEST(DiscoverCommand, RejectsABadDuration) {
    for (const char* value : {"x", "-1"}) {
        QProcess tool;
        tool.start(KEL_REMOTE_CLI, {"discover", "--seconds", value});
        ASSERT_TRUE(tool.waitForFinished(20000));
        EXPECT_EQ(tool.exitCode(), 1) << value;
        EXPECT_TRUE(tool.readAllStandardOutput().isEmpty());
    }
}

}  // namespace

namespace {

TEST(DiscoverCommand, SaysSoWhenNoDeskIsHeard) {
    QProcess tool;
    tool.start(KEL_REMOTE_CLI, {"discover", "--seconds", "0.5"});
    ASSERT_TRUE(tool.waitForFinished(20000));
    EXPECT_EQ(tool.exitCode(), 0);
    EXPECT_TRUE(tool.readAllStandardOutput().isEmpty());
    EXPECT_EQ(tool.readAllStandardError().toStdString(),
              "no desks heard in 0.5 s: check the network cable, VLAN and that multicast "
              "reaches this machine\n");
}

}  // namespace
