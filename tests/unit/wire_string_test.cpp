#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loopback_peer.h"
#include "session/tcp_connection.h"

namespace {

std::vector<uint8_t> Le32(int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

std::vector<uint8_t> Frame(int32_t length, const std::string& characters) {
    std::vector<uint8_t> bytes = Le32(length);
    bytes.insert(bytes.end(), characters.begin(), characters.end());
    return bytes;
}

struct ReadCase {
    const char* name;
    std::vector<uint8_t> bytes;
    bool peerCloses;
    STRING expected;
    bool staysOpen;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadStringTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadStringTest, YieldsTheFrameOrNull) {
    const ReadCase& c = GetParam();
    LoopbackPeer peer;
    TCPCONNECTION connection;
    ASSERT_EQ(connection.Connect(peer.Address()), 1);
    ASSERT_TRUE(peer.Accept());
    peer.Send(c.bytes);
    if (c.peerCloses)
        peer.CloseConnection();

    STRING text("left over from before");
    connection.ReadString(text);
    EXPECT_EQ(text.IsNull(), c.expected.IsNull());
    EXPECT_EQ(text.Text(), c.expected.Text());
    EXPECT_EQ(connection.IsOpen(), c.staysOpen);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, ReadStringTest,
    ::testing::Values(ReadCase{"null", Le32(-1), false, STRING(), true},
                      ReadCase{"negative", Le32(-7), false, STRING(), true},
                      ReadCase{"empty", Le32(0), false, STRING(""), true},
                      ReadCase{"text", Frame(5, "Refus"), false, STRING("Refus"), true},
                      ReadCase{"longest", Frame(512, std::string(512, 'x')), false,
                               STRING(std::string(512, 'x')), true},
                      ReadCase{"too_long", Frame(513, std::string(513, 'x')), false, STRING(),
                               false},
                      ReadCase{"huge", Le32(0x7FFFFFFF), false, STRING(), false},
                      ReadCase{"peer_closes_mid_text", Frame(10, "abcd"), true, STRING(), true},
                      ReadCase{"peer_closes_mid_length", {0x05, 0x00}, true, STRING(), true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadString, NullFrameReadsNothingMore) {
    LoopbackPeer peer;
    TCPCONNECTION connection;
    ASSERT_EQ(connection.Connect(peer.Address()), 1);
    ASSERT_TRUE(peer.Accept());
    std::vector<uint8_t> bytes = Le32(-1);
    const auto next = Le32(1234);
    bytes.insert(bytes.end(), next.begin(), next.end());
    peer.Send(bytes);
    STRING text;
    connection.ReadString(text);
    int32_t value = 0;
    ASSERT_EQ(connection.ReadInt32(value), 4);
    EXPECT_EQ(value, 1234);
}

TEST(WriteString, NullEmptyAndTextFrames) {
    const std::vector<std::pair<STRING, std::vector<uint8_t>>> cases = {
        {STRING(), Le32(-1)},
        {STRING(""), Le32(0)},
        {STRING("hi"), Frame(2, "hi")},
    };
    for (const auto& [text, expected] : cases) {
        LoopbackPeer peer;
        TCPCONNECTION connection;
        ASSERT_EQ(connection.Connect(peer.Address()), 1);
        ASSERT_TRUE(peer.Accept());
        connection.WriteString(text);
        EXPECT_EQ(peer.Receive(expected.size()), expected) << text.Text();
        connection.Close();
        EXPECT_TRUE(peer.SeesClosed()) << "nothing more was written";
    }
}

}  // namespace
