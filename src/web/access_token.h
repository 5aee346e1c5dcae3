#pragma once
// The secret that every request and WebSocket must carry as the query
// parameter "token": without it nobody reaches the desk.

#include <QByteArray>
#include <QString>
#include <optional>

// A fresh random 128-bit token: 32 lower-case hexadecimal digits.
QByteArray MakeAccessToken();

// 16 to 128 characters that stand in a URL unescaped (letters, digits,
// '-', '.', '_', '~').
bool IsUsableToken(const QByteArray& token);

// The token kept in a file (first line, surrounding blanks ignored). A
// missing file is created with a fresh token, readable by its owner only.
// Nothing, with the reason, when the file cannot be read or written or holds
// no usable token.
std::optional<QByteArray> AccessTokenFromFile(const QString& path, QString* problem);

// Compares in time independent of where the two differ.
bool TokenMatches(const QByteArray& expected, const QByteArray& given);

// The value of the "token" parameter of a request target's query
// ("/ws?token=..."), percent-decoded; empty when there is none.
QByteArray TokenOfTarget(const QByteArray& target);
