#pragma once
// What the command-line tool says when it is used wrongly or a desk cannot
// be reached. One convention for every sub-command: --help and --version
// on standard output with exit code 0; a usage error is one line on
// standard error that names what was wrong ("kel-remote-cli snapshot:
// 'desk.local' is not an IPv4 address"), with exit code 1.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>

// Exit code of a usage error.
constexpr int kUsageError = 1;

// When the first argument asks for help or the version, prints it and
// returns the exit code (0); otherwise nothing.
std::optional<int> HelpOrVersion(const QStringList& args, const char* help);

// Prints "kel-remote-cli COMMAND: WHAT" and returns kUsageError.
int UsageError(const char* command, const std::string& what);

// A desk's address from its dotted text; otherwise why it is none, in
// words ("'desk.local' is not an IPv4 address").
std::optional<uint32_t> DeskAddressOf(const QString& text, std::string& why);

// "connection refused", "no answer within 10 s", ... for a Winsock error
// number; empty for numbers without words.
std::string ErrorInWords(int error);
// "Could not connect to host A: connection refused (errno 10061)".
std::string ConnectFailureText(uint32_t desk, int error);
