#include "platform/winsock.h"

#include "platform/byte_order.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <arpa/inet.h>

namespace {

struct ErrnoPair {
    int posix;
    int winsock;
};

constexpr ErrnoPair kErrorTable[] = {
    {EINTR, WSAEINTR},
    {EBADF, WSAEBADF},
    {EACCES, WSAEACCES},
    {EPERM, WSAEACCES},
    {EFAULT, WSAEFAULT},
    {EINVAL, WSAEINVAL},
    {EMFILE, WSAEMFILE},
    {EWOULDBLOCK, WSAEWOULDBLOCK},
    {EINPROGRESS, WSAEINPROGRESS},
    {EALREADY, WSAEALREADY},
    {ENOTSOCK, WSAENOTSOCK},
    {EDESTADDRREQ, WSAEDESTADDRREQ},
    {EMSGSIZE, WSAEMSGSIZE},
    {EPROTOTYPE, WSAEPROTOTYPE},
    {ENOPROTOOPT, WSAENOPROTOOPT},
    {EPROTONOSUPPORT, WSAEPROTONOSUPPORT},
    {EOPNOTSUPP, WSAEOPNOTSUPP},
    {EAFNOSUPPORT, WSAEAFNOSUPPORT},
    {EADDRINUSE, WSAEADDRINUSE},
    {EADDRNOTAVAIL, WSAEADDRNOTAVAIL},
    {ENETDOWN, WSAENETDOWN},
    {ENETUNREACH, WSAENETUNREACH},
    {ENETRESET, WSAENETRESET},
    {ECONNABORTED, WSAECONNABORTED},
    {ECONNRESET, WSAECONNRESET},
    {EPIPE, WSAECONNRESET},
    {ENOBUFS, WSAENOBUFS},
    {EISCONN, WSAEISCONN},
    {ENOTCONN, WSAENOTCONN},
    {ESHUTDOWN, WSAESHUTDOWN},
    {ETIMEDOUT, WSAETIMEDOUT},
    {ECONNREFUSED, WSAECONNREFUSED},
    {EHOSTDOWN, WSAEHOSTDOWN},
    {EHOSTUNREACH, WSAEHOSTUNREACH},
};

}  // namespace

int WinsockErrorFromErrno(int err) {
    for (const auto& pair : kErrorTable) {
        if (pair.posix == err)
            return pair.winsock;
    }
    return err;
}

int ErrnoFromWinsockError(int code) {
    for (const auto& pair : kErrorTable) {
        if (pair.winsock == code)
            return pair.posix;
    }
    return code;
}

int WSAGetLastError() {
    return WinsockErrorFromErrno(errno);
}

void WSASetLastError(int code) {
    errno = ErrnoFromWinsockError(code);
}

int closesocket(SOCKET s) {
    return ::close(s);
}

int ioctlsocket(SOCKET s, long cmd, unsigned long* argp) {
    if (cmd != FIONBIO_CMD || argp == nullptr) {
        errno = EINVAL;
        return SOCKET_ERROR;
    }
    const int flags = ::fcntl(s, F_GETFL, 0);
    if (flags < 0)
        return SOCKET_ERROR;
    const int wanted = *argp != 0 ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(s, F_SETFL, wanted) < 0 ? SOCKET_ERROR : 0;
}

sockaddr_in MakeSocketAddress(uint32_t address, uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    // The address is held as its four network-order bytes read little-endian.
    uint8_t bytes[4];
    StoreLe32(bytes, address);
    static_assert(sizeof(sa.sin_addr.s_addr) == 4);
    std::memcpy(&sa.sin_addr.s_addr, bytes, 4);
    return sa;
}

uint32_t AddressOf(const sockaddr_in& sa) {
    uint8_t bytes[4];
    std::memcpy(bytes, &sa.sin_addr.s_addr, 4);
    return LoadLe32(bytes);
}

uint32_t Ipv4FromText(const std::string& dotted) {
    in_addr parsed{};
    if (::inet_pton(AF_INET, dotted.c_str(), &parsed) != 1)
        return kNoAddress;
    sockaddr_in sa{};
    sa.sin_addr = parsed;
    return AddressOf(sa);
}

std::string Ipv4ToText(uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address & 0xFF, (address >> 8) & 0xFF,
                  (address >> 16) & 0xFF, address >> 24);
    return text;
}

bool IsForbiddenDeskAddress(uint32_t address) {
    const uint32_t firstOctet = address & 0xFF;
    return address == 0 || address == 0xFFFFFFFFu || (firstOctet & 0xF0) == 0xE0;
}

bool IsLoopbackAddress(uint32_t address) {
    return (address & 0xFF) == 127;
}
