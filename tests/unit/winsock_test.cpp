#include <gtest/gtest.h>

#include <cerrno>

#include "platform/winsock.h"

namespace {

TEST(Winsock, ErrnoValuesMapToWinsockNumbers) {
    const std::pair<int, int> cases[] = {
        {EINTR, 10004},        {EACCES, 10013},        {EINVAL, 10022},       {EWOULDBLOCK, 10035},
        {EINPROGRESS, 10036},  {EALREADY, 10037},      {ENOTSOCK, 10038},     {EMSGSIZE, 10040},
        {EADDRINUSE, 10048},   {EADDRNOTAVAIL, 10049}, {ENETDOWN, 10050},     {ENETUNREACH, 10051},
        {ECONNABORTED, 10053}, {ECONNRESET, 10054},    {EISCONN, 10056},      {ENOTCONN, 10057},
        {ETIMEDOUT, 10060},    {ECONNREFUSED, 10061},  {EHOSTUNREACH, 10065},
    };
    for (const auto& [posix, winsock] : cases) {
        EXPECT_EQ(WinsockErrorFromErrno(posix), winsock) << "errno " << posix;
        errno = posix;
        EXPECT_EQ(WSAGetLastError(), winsock) << "errno " << posix;
        WSASetLastError(winsock);
        EXPECT_EQ(errno, posix) << "winsock " << winsock;
    }
}

TEST(Winsock, ErrnoWithoutCounterpartPassesThrough) {
    EXPECT_EQ(WinsockErrorFromErrno(ENOENT), ENOENT);
}

TEST(Winsock, AddressTextRoundTrips) {
    for (const char* text :
         {"0.0.0.0", "127.0.0.1", "192.168.0.10", "10.0.0.2", "255.255.255.254"}) {
        EXPECT_EQ(Ipv4ToText(Ipv4FromText(text)), text);
    }
    EXPECT_EQ(Ipv4FromText("192.168.0.300"), kNoAddress);
    EXPECT_EQ(Ipv4FromText("desk"), kNoAddress);
    // Held as the network-order bytes read little-endian: the last octet
    // weighs most.
    EXPECT_EQ(Ipv4FromText("10.0.0.1"), 0x0100000Au);
}

}  // namespace
