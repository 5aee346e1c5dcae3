#include "cli_text.h"

#include <chrono>
#include <cstdio>

#include "platform/winsock.h"
#include "session/client_connection.h"
#include "session/tcp_socket.h"

std::optional<int> HelpOrVersion(const QStringList& args, const char* help) {
    if (args.isEmpty())
        return std::nullopt;
    if (args.front() == QStringLiteral("--help") || args.front() == QStringLiteral("-h")) {
        std::fputs(help, stdout);
        return 0;
    }
    if (args.front() == QStringLiteral("--version")) {
        std::puts("kel-remote-cli " KEL_VERSION);
        return 0;
    }
    return std::nullopt;
}

int UsageError(const char* command, const std::string& what) {
    std::fprintf(stderr, "kel-remote-cli %s: %s\n", command, what.c_str());
    return kUsageError;
}

std::optional<uint32_t> DeskAddressOf(const QString& text, std::string& why) {
    const std::string dotted = text.toStdString();
    const uint32_t address = Ipv4FromText(dotted);
    if (address == kNoAddress && dotted != "255.255.255.255") {
        why = "'" + dotted + "' is not an IPv4 address";
        return std::nullopt;
    }
    if (IsForbiddenDeskAddress(address)) {
        why = "'" + dotted + "' cannot be a desk's address";
        return std::nullopt;
    }
    return address;
}

std::string ErrorInWords(int error) {
    // A connect and a desk's answer are each waited for this long.
    static_assert(TCPSOCKET::kConnectTimeout == ClientConnection::kAnswerTimeout);
    constexpr auto kWait =
        std::chrono::duration_cast<std::chrono::seconds>(ClientConnection::kAnswerTimeout);
    switch (error) {
        case WSAECONNREFUSED:
            return "connection refused";
        case WSAETIMEDOUT:
            return "no answer within " + std::to_string(kWait.count()) + " s";
        case WSAEHOSTUNREACH:
        case WSAEHOSTDOWN:
            return "no route to host";
        case WSAENETUNREACH:
            return "network unreachable";
        case WSAENETDOWN:
            return "network down";
        case WSAECONNRESET:
            return "connection closed by the desk";
        case WSAECONNABORTED:
            return "connection aborted";
        case WSAEADDRNOTAVAIL:
            return "address not available";
        case WSAEACCES:
            return "not permitted";
        default:
            return {};
    }
}

std::string ConnectFailureText(uint32_t desk, int error) {
    const std::string words = ErrorInWords(error);
    return "Could not connect to host " + Ipv4ToText(desk) + ": " +
           (words.empty() ? "error" : words) + " (errno " + std::to_string(error) + ")";
}
