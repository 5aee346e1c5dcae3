#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include <netinet/tcp.h>

#include "loopback_peer.h"
#include "session/tcp_connection.h"

namespace {

using namespace std::chrono_literals;

// A station-side connection to a scripted peer on loopback.
struct Connected {
    LoopbackPeer peer;
    TCPCONNECTION connection;

    Connected() {
        EXPECT_EQ(connection.Connect(peer.Address()), 1);
        EXPECT_TRUE(peer.Accept());
    }
};

TEST(TcpSocket, ZeroByteReadsAndWritesDoNotTouchTheSocket) {
    Connected c;
    char buffer[4] = {};
    EXPECT_EQ(c.connection.Read(buffer, 0), 0);
    EXPECT_EQ(c.connection.Write(buffer, 0), 0);
    EXPECT_EQ(c.connection.Socket().Read(buffer, -3), 0);
    TCPSOCKET unopened;
    unopened.Close();
    EXPECT_EQ(unopened.Read(buffer, 0), 0);
}

TEST(TcpSocket, EveryOptionOfADeskChannelIsSet) {
    TCPSOCKET socket;
    int value = 0;
    socklen_t length = sizeof value;
    ASSERT_EQ(getsockopt(socket.Handle(), IPPROTO_TCP, TCP_NODELAY, &value, &length), 0);
    EXPECT_NE(value, 0);
    ASSERT_EQ(getsockopt(socket.Handle(), SOL_SOCKET, SO_REUSEADDR, &value, &length), 0);
    EXPECT_NE(value, 0);
    EXPECT_TRUE(socket.IsBlocking());
}

TEST(TcpSocket, ReadReturnsExactlyTheRequestedBytesAcrossSegments) {
    Connected c;
    std::thread sender([&] {
        for (uint8_t i = 0; i < 10; ++i) {
            c.peer.Send({i});
            std::this_thread::yield();
        }
    });
    std::vector<uint8_t> got(10);
    EXPECT_EQ(c.connection.Read(got.data(), 10), 10);
    sender.join();
    EXPECT_EQ(got, (std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(TcpSocket, DeskClosingMidReadGivesFailureNotAPartialCount) {
    for (bool reset : {false, true}) {
        Connected c;
        c.peer.Send({1, 2, 3});
        reset ? c.peer.ResetConnection() : c.peer.CloseConnection();
        char buffer[8];
        EXPECT_EQ(c.connection.Read(buffer, 8), -1) << (reset ? "reset" : "closed");
        EXPECT_TRUE(c.connection.IsOpen()) << "deciding to close is the caller's business";
    }
}

TEST(TcpSocket, CloseFromAnotherThreadEndsABlockedRead) {
    Connected c;
    auto reader = std::async(std::launch::async, [&] {
        char buffer[16];
        return c.connection.Read(buffer, sizeof buffer);
    });
    // The reader is blocked: the peer sends nothing.
    EXPECT_EQ(reader.wait_for(50ms), std::future_status::timeout);
    c.connection.Close();
    ASSERT_EQ(reader.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(reader.get(), -1);
    EXPECT_FALSE(c.connection.IsOpen());
    EXPECT_EQ(c.connection.PeerAddress(), kNoAddress);
}

TEST(TcpSocket, CloseResetsTheConnectionAtOnce) {
    Connected c;
    c.connection.Close();
    EXPECT_TRUE(c.peer.SeesClosed());
}

TEST(TcpSocket, ConnectToAClosedPortReportsConnectionRefused) {
    TCPCONNECTION connection;
    EXPECT_EQ(connection.Connect(RefusingAddress()), 0);
    EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_EQ(connection.PeerAddress(), kNoAddress);
    EXPECT_NE(connection.Socket().Handle(), INVALID_SOCKET) << "keeps an unconnected socket";
}

TEST(TcpSocket, ConnectingAnAlreadyConnectedSocketCountsAsSuccess) {
    LoopbackPeer peer;
    TCPSOCKET socket;
    ASSERT_EQ(socket.Connect(peer.Address()), 0);
    EXPECT_EQ(socket.Connect(peer.Address()), 0);
}

TEST(TcpSocket, SuccessfulConnectRemembersTheDesk) {
    LoopbackPeer peer("127.0.0.3");
    TCPCONNECTION connection;
    ASSERT_EQ(connection.Connect(peer.Address()), 1);
    EXPECT_TRUE(connection.IsOpen());
    EXPECT_EQ(Ipv4ToText(connection.PeerAddress()), "127.0.0.3");
}

TEST(TcpSocket, ClosedConnectionAnswersMinusOneWithoutASystemCall) {
    TCPCONNECTION connection;  // never connected: holds an unconnected socket
    char buffer[4] = {};
    int32_t value = 42;
    EXPECT_EQ(connection.Read(buffer, 4), -1);
    EXPECT_EQ(connection.Write(buffer, 4), -1);
    EXPECT_EQ(connection.ReadInt32(value), -1);
    EXPECT_EQ(connection.WriteInt32(7), -1);
    EXPECT_EQ(value, 42);
}

TEST(TcpSocket, WriteDeliversLargeBuffersWhole) {
    Connected c;
    std::vector<uint8_t> data(3 * 1024 * 1024);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 31);
    auto received =
        std::async(std::launch::async, [&] { return c.peer.Receive(data.size(), 20s); });
    EXPECT_EQ(c.connection.Write(data.data(), static_cast<int>(data.size())),
              static_cast<int>(data.size()));
    EXPECT_EQ(received.get(), data);
}

TEST(TcpSocket, WriteToAResetPeerFailsWithoutKillingTheProcess) {
    Connected c;
    c.peer.ResetConnection();
    std::vector<uint8_t> data(1 << 20);
    int result = 0;
    for (int attempt = 0; attempt < 50 && result != -1; ++attempt) {
        result = c.connection.Write(data.data(), static_cast<int>(data.size()));
    }
    EXPECT_EQ(result, -1);
}

TEST(TcpSocket, Int32TravelsLittleEndian) {
    Connected c;
    EXPECT_EQ(c.connection.WriteInt32(1500), 4);
    EXPECT_EQ(c.peer.Receive(4), (std::vector<uint8_t>{0xDC, 0x05, 0x00, 0x00}));
    c.peer.Send({0xFE, 0xFF, 0xFF, 0xFF});
    int32_t value = 0;
    EXPECT_EQ(c.connection.ReadInt32(value), 4);
    EXPECT_EQ(value, -2);
}

TEST(TcpSocket, OpenAfterCloseWhileAReadIsBlockedKeepsBothSocketsApart) {
    Connected c;
    auto reader = std::async(std::launch::async, [&] {
        char buffer[4];
        return c.connection.Read(buffer, 4);
    });
    EXPECT_EQ(reader.wait_for(20ms), std::future_status::timeout);
    // Reconnect at once: the blocked read must end and the new socket work.
    LoopbackPeer second;
    ASSERT_EQ(c.connection.Connect(second.Address()), 1);
    ASSERT_EQ(reader.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(reader.get(), -1);
    ASSERT_TRUE(second.Accept());
    second.Send({9, 8, 7, 6});
    char buffer[4];
    EXPECT_EQ(c.connection.Read(buffer, 4), 4);
    EXPECT_EQ(buffer[0], 9);
}

}  // namespace
