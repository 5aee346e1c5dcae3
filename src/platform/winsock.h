#pragma once
// The small part of the Windows Sockets API the program uses, on BSD sockets.
// Errors are reported as Winsock error numbers, because those are the numbers
// the program's messages show ("(errno 10061)").

#include <cstdint>
#include <string>

#include <netinet/in.h>
#include <sys/socket.h>

using SOCKET = int;
constexpr SOCKET INVALID_SOCKET = -1;
constexpr int SOCKET_ERROR = -1;

enum WinsockError : int {
    WSAEINTR = 10004,
    WSAEBADF = 10009,
    WSAEACCES = 10013,
    WSAEFAULT = 10014,
    WSAEINVAL = 10022,
    WSAEMFILE = 10024,
    WSAEWOULDBLOCK = 10035,
    WSAEINPROGRESS = 10036,
    WSAEALREADY = 10037,
    WSAENOTSOCK = 10038,
    WSAEDESTADDRREQ = 10039,
    WSAEMSGSIZE = 10040,
    WSAEPROTOTYPE = 10041,
    WSAENOPROTOOPT = 10042,
    WSAEPROTONOSUPPORT = 10043,
    WSAEOPNOTSUPP = 10045,
    WSAEAFNOSUPPORT = 10047,
    WSAEADDRINUSE = 10048,
    WSAEADDRNOTAVAIL = 10049,
    WSAENETDOWN = 10050,
    WSAENETUNREACH = 10051,
    WSAENETRESET = 10052,
    WSAECONNABORTED = 10053,
    WSAECONNRESET = 10054,
    WSAENOBUFS = 10055,
    WSAEISCONN = 10056,
    WSAENOTCONN = 10057,
    WSAESHUTDOWN = 10058,
    WSAETIMEDOUT = 10060,
    WSAECONNREFUSED = 10061,
    WSAEHOSTDOWN = 10064,
    WSAEHOSTUNREACH = 10065,
};

// Winsock number for a POSIX errno value; values without a Winsock
// counterpart are returned unchanged.
int WinsockErrorFromErrno(int err);
// The errno value a Winsock number stands for (the inverse of the above).
int ErrnoFromWinsockError(int code);

// The calling thread's last socket error, as a Winsock number.
int WSAGetLastError();
void WSASetLastError(int code);

int closesocket(SOCKET s);

constexpr long FIONBIO_CMD = 0x8004667E;
// Only FIONBIO is supported: *argp != 0 makes the socket non-blocking.
int ioctlsocket(SOCKET s, long cmd, unsigned long* argp);

// An IPv4 socket address from an address as the program keeps it (see below)
// and a port number in host order (7001, 6000, ...).
sockaddr_in MakeSocketAddress(uint32_t address, uint16_t port);

// Address helpers. An address is held as its four network-order bytes read
// as a little-endian 32-bit value (on the usual little-endian hosts the same
// value inet_addr returns).
constexpr uint32_t kNoAddress = 0xFFFFFFFF;
uint32_t Ipv4FromText(const std::string& dotted);  // kNoAddress when not an address
std::string Ipv4ToText(uint32_t address);          // "%d.%d.%d.%d", octets in wire order
uint32_t AddressOf(const sockaddr_in& sa);

// 0.0.0.0, the broadcast address 255.255.255.255 and the multicast range
// 224.0.0.0/4: no desk has them, so they are never listed or connected to
// (0.0.0.0 would reach this machine itself).
bool IsForbiddenDeskAddress(uint32_t address);
// 127.0.0.0/8.
bool IsLoopbackAddress(uint32_t address);
