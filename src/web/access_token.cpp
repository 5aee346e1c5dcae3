#include "web/access_token.h"

#include <QFile>
#include <QRandomGenerator>
#include <QUrlQuery>
#include <algorithm>
#include <array>

namespace {

constexpr qsizetype kMinTokenLength = 16;
constexpr qsizetype kMaxTokenLength = 128;

bool IsUnreserved(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

std::optional<QByteArray> WriteNewToken(const QString& path, QString* problem) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        *problem = QStringLiteral("cannot create %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const QByteArray token = MakeAccessToken();
    if (file.write(token + '\n') != token.size() + 1 || !file.flush()) {
        *problem = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return token;
}

}  // namespace

QByteArray MakeAccessToken() {
    std::array<quint32, 4> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    QByteArray bytes(reinterpret_cast<const char*>(words.data()), sizeof words);
    return bytes.toHex();
}

bool IsUsableToken(const QByteArray& token) {
    if (token.size() < kMinTokenLength || token.size() > kMaxTokenLength)
        return false;
    return std::all_of(token.begin(), token.end(), IsUnreserved);
}

std::optional<QByteArray> AccessTokenFromFile(const QString& path, QString* problem) {
    QFile file(path);
    if (!file.exists())
        return WriteNewToken(path, problem);
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const QByteArray token = file.readLine(kMaxTokenLength + 2).trimmed();
    if (!IsUsableToken(token)) {
        *problem = QStringLiteral(
                       "%1 holds no usable token (16 to 128 letters, digits, "
                       "'-', '.', '_' or '~')")
                       .arg(path);
        return std::nullopt;
    }
    return token;
}

bool TokenMatches(const QByteArray& expected, const QByteArray& given) {
    unsigned difference = expected.size() == given.size() ? 0 : 1;
    const qsizetype n = expected.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char other = i < given.size() ? given[i] : '\0';
        difference |= static_cast<unsigned char>(expected[i] ^ other);
    }
    return difference == 0 && !expected.isEmpty();
}

QByteArray TokenOfTarget(const QByteArray& target) {
    const qsizetype mark = target.indexOf('?');
    if (mark < 0)
        return {};
    const QUrlQuery query(QString::fromLatin1(target.mid(mark + 1)));
    return query.queryItemValue(QStringLiteral("token"), QUrl::FullyDecoded).toLatin1();
}
