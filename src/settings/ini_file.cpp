#include "settings/ini_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kGeneral = QStringLiteral("General");

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

// "a//b/" -> "a/b".
QString Normalized(const QString& key) {
    return key.split('/', Qt::SkipEmptyParts).join('/');
}

// Key escapes: '/' travels as '\', characters other than letters, digits,
// '_', '-' and '.' as %XX or %UXXXX.
QByteArray EscapeKey(const QString& key) {
    static const char kHexDigits[] = "0123456789ABCDEF";
    QByteArray out;
    for (const QChar qc : key) {
        const char16_t c = qc.unicode();
        if (c == '/') {
            out += '\\';
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                   c == '_' || c == '-' || c == '.') {
            out += static_cast<char>(c);
        } else if (c <= 0xFF) {
            out += '%';
            out += kHexDigits[c >> 4];
            out += kHexDigits[c & 0xF];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += kHexDigits[(c >> shift) & 0xF];
        }
    }
    return out;
}

QString UnescapeKey(const QByteArray& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            out += '/';
        } else if (c == '%' && i + 5 < text.size() && text[i + 1] == 'U' &&
                   std::all_of(text.begin() + i + 2, text.begin() + i + 6, IsHex)) {
            char16_t code = 0;
            for (qsizetype j = i + 2; j < i + 6; ++j)
                code = static_cast<char16_t>(code * 16 + HexValue(text[j]));
            out += QChar(code);
            i += 5;
        } else if (c == '%' && i + 2 < text.size() && IsHex(text[i + 1]) && IsHex(text[i + 2])) {
            out += QChar(static_cast<char16_t>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            out += QChar(static_cast<char16_t>(static_cast<unsigned char>(c)));
        }
    }
    return out;
}

QByteArray SectionText(const QString& section) {
    if (section.isEmpty())
        return kGeneral.toLatin1();
    return section == kGeneral ? QByteArray("%General") : EscapeKey(section);
}

QString SectionName(const QByteArray& text) {
    return text == kGeneral.toLatin1() ? QString() : UnescapeKey(text);
}

// Value escapes: C escapes for controls, quotes and backslashes; the whole
// value in quotes when it holds ',', ';' or '=' or starts or ends with a
// blank. Everything else as UTF-8.
QByteArray EscapeValue(const QString& value) {
    QByteArray out;
    bool needsQuotes = value.startsWith(' ') || value.endsWith(' ');
    bool escapeNextIfHex = false;
    for (const QChar qc : value) {
        const char16_t c = qc.unicode();
        if (c == ';' || c == ',' || c == '=')
            needsQuotes = true;
        if (escapeNextIfHex && c < 0x80 && IsHex(static_cast<char>(c))) {
            out += "\\x" + QByteArray::number(c, 16);
            continue;
        }
        escapeNextIfHex = false;
        switch (c) {
            case '\0':
                out += "\\0";
                escapeNextIfHex = true;
                break;
            case '\a':
                out += "\\a";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\v':
                out += "\\v";
                break;
            case '"':
            case '\\':
                out += '\\';
                out += static_cast<char>(c);
                break;
            default:
                if (c <= 0x1F) {
                    out += "\\x" + QByteArray::number(c, 16);
                    escapeNextIfHex = true;
                } else {
                    out += QString(qc).toUtf8();
                }
                break;
        }
    }
    return needsQuotes ? '"' + out + '"' : out;
}

// The character of a one-letter escape, 0 for others.
char PlainEscape(char e) {
    switch (e) {
        case 'a':
            return '\a';
        case 'b':
            return '\b';
        case 'f':
            return '\f';
        case 'n':
            return '\n';
        case 'r':
            return '\r';
        case 't':
            return '\t';
        case 'v':
            return '\v';
        case '"':
        case '?':
        case '\'':
        case '\\':
            return e;
        default:
            return 0;
    }
}

void ChopBlanks(QString& text, qsizetype limit) {
    while (text.size() > limit && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
}

// The reverse of EscapeValue, as QSettings reads: quotes, C escapes (\xHH...
// and octal of any length), a ';' outside quotes ends the value; a list
// (commas outside quotes) comes back joined by ',' with the blanks around
// its items dropped.
QString UnescapeValue(const QByteArray& raw) {
    QString out;
    bool inQuotes = false;
    bool itemQuoted = false;
    qsizetype keep = 0;  // blanks before this point are part of the value
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t'))
            ++i;
    };
    skipBlanks();
    while (i < raw.size()) {
        const char c = raw[i];
        if (c == '\\') {
            ++i;
            if (i >= raw.size())
                break;
            const char e = raw[i++];
            if (const char plain = PlainEscape(e); plain != 0) {
                out += QLatin1Char(plain);
            } else if (e == 'x' || (e >= '0' && e <= '7')) {
                const int base = e == 'x' ? 16 : 8;
                char16_t code = e == 'x' ? 0 : static_cast<char16_t>(e - '0');
                while (i < raw.size() &&
                       (base == 16 ? IsHex(raw[i]) : (raw[i] >= '0' && raw[i] <= '7'))) {
                    code = static_cast<char16_t>(code * base + HexValue(raw[i]));
                    ++i;
                }
                out += QChar(code);
            }
            keep = out.size();
        } else if (c == '"') {
            ++i;
            itemQuoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                skipBlanks();
            keep = out.size();
        } else if ((c == ',' || c == ';') && !inQuotes) {
            if (!itemQuoted)
                ChopBlanks(out, keep);
            if (c == ';')
                return out;
            out += ',';
            ++i;
            itemQuoted = false;
            skipBlanks();
            keep = out.size();
        } else {
            qsizetype j = i + 1;
            while (j < raw.size() && raw[j] != '\\' && raw[j] != '"' && raw[j] != ',' &&
                   raw[j] != ';')
                ++j;
            out += QString::fromUtf8(raw.mid(i, j - i));
            i = j;
        }
    }
    if (!itemQuoted)
        ChopBlanks(out, keep);
    // A leading '@' marks a typed value; "@@" stands for a plain '@'.
    if (out.startsWith(QLatin1String("@@")))
        out.remove(0, 1);
    return out;
}

// Reads at most kMaxFileBytes + 1 bytes of a regular file, opened without
// waiting (a FIFO would block an ordinary open).
IniFile::Status ReadLimited(const QString& path, QByteArray& bytes, QString& why) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT)
            return IniFile::Status::Missing;
        why = QStringLiteral("cannot be read");
        return IniFile::Status::Refused;
    }
    struct stat info {};
    IniFile::Status status = IniFile::Status::Loaded;
    if (::fstat(fd, &info) != 0) {
        why = QStringLiteral("cannot be read");
        status = IniFile::Status::Refused;
    } else if (!S_ISREG(info.st_mode)) {
        why = QStringLiteral("is not a regular file");
        status = IniFile::Status::Refused;
    } else if (info.st_size > IniFile::kMaxFileBytes) {
        why = QStringLiteral("is larger than 1 MB");
        status = IniFile::Status::Refused;
    }
    if (status == IniFile::Status::Loaded) {
        bytes.resize(IniFile::kMaxFileBytes + 1);
        qsizetype got = 0;
        while (got < bytes.size()) {
            const ssize_t n =
                ::read(fd, bytes.data() + got, static_cast<size_t>(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                if (n < 0) {
                    why = QStringLiteral("cannot be read");
                    status = IniFile::Status::Refused;
                }
                break;
            }
            got += n;
        }
        bytes.truncate(got);
        if (status == IniFile::Status::Loaded && got > IniFile::kMaxFileBytes) {
            why = QStringLiteral("is larger than 1 MB");
            status = IniFile::Status::Refused;
        }
    }
    ::close(fd);
    return status;
}

}  // namespace

IniFile::Status IniFile::Load(const QString& path, QString& why) {
    lines_.clear();
    QByteArray bytes;
    const Status status = ReadLimited(path, bytes, why);
    if (status != Status::Loaded)
        return status;
    if (!Parse(bytes)) {
        lines_.clear();
        why = QStringLiteral("is not a settings file");
        return Status::Refused;
    }
    return Status::Loaded;
}

bool IniFile::Parse(const QByteArray& bytes) {
    if (bytes.contains('\0') || QString::fromUtf8(bytes).toUtf8() != bytes)
        return false;
    QList<QByteArray> raw = bytes.split('\n');
    if (!raw.isEmpty() && raw.back().isEmpty())
        raw.removeLast();  // the file's last line end
    QString section;
    for (QByteArray& text : raw) {
        if (text.endsWith('\r'))
            text.chop(1);
        const QByteArray line = text.trimmed();
        Line parsed;
        parsed.text = text;
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) {
            parsed.kind = Line::kOther;
        } else if (line.startsWith('[')) {
            if (!line.endsWith(']'))
                return false;
            section = SectionName(line.mid(1, line.size() - 2));
            parsed.kind = Line::kSection;
        } else {
            const qsizetype equals = line.indexOf('=');
            if (equals <= 0)
                return false;
            const QString name = UnescapeKey(line.left(equals).trimmed());
            parsed.kind = Line::kEntry;
            parsed.key = Normalized(section.isEmpty() ? name : section + '/' + name);
            parsed.value = UnescapeValue(line.mid(equals + 1));
        }
        parsed.section = section;
        lines_.push_back(std::move(parsed));
    }
    return true;
}

const IniFile::Line* IniFile::FindEntry(const QString& key) const {
    const QString wanted = Normalized(key);
    // A key written twice counts with its last value.
    for (auto it = lines_.rbegin(); it != lines_.rend(); ++it) {
        if (it->kind == Line::kEntry && it->key == wanted)
            return &*it;
    }
    return nullptr;
}

std::optional<QString> IniFile::Value(const QString& key) const {
    const Line* line = FindEntry(key);
    if (line == nullptr)
        return std::nullopt;
    return line->value;
}

QStringList IniFile::ChildKeys(const QString& group) const {
    const QString prefix = Normalized(group) + '/';
    QStringList names;
    for (const Line& line : lines_) {
        if (line.kind != Line::kEntry || !line.key.startsWith(prefix))
            continue;
        const QString rest = line.key.mid(prefix.size());
        if (!rest.contains('/') && !names.contains(rest))
            names << rest;
    }
    names.sort();
    return names;
}

bool IniFile::HasGroup(const QString& group) const {
    const QString prefix = Normalized(group) + '/';
    return std::any_of(lines_.begin(), lines_.end(), [&](const Line& line) {
        return line.kind == Line::kEntry && line.key.startsWith(prefix);
    });
}

// After the last value of the section's last header, or after that header;
// the end when the section does not exist.
size_t IniFile::InsertionPoint(const QString& section) const {
    std::optional<size_t> at;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const bool header = lines_[i].kind == Line::kSection;
        if (lines_[i].section == section && (header || (at && lines_[i].kind == Line::kEntry)))
            at = i + 1;
    }
    return at.value_or(lines_.size());
}

void IniFile::SetValue(const QString& key, const QString& value) {
    const QString full = Normalized(key);
    const qsizetype slash = full.indexOf('/');
    const QString section = slash < 0 ? QString() : full.left(slash);
    const QString name = slash < 0 ? full : full.mid(slash + 1);
    Line entry;
    entry.kind = Line::kEntry;
    entry.text = EscapeKey(name) + '=' + EscapeValue(value);
    entry.section = section;
    entry.key = full;
    entry.value = value;
    if (const Line* existing = FindEntry(full)) {
        const auto at = static_cast<size_t>(existing - lines_.data());
        entry.section = lines_[at].section;
        lines_[at] = std::move(entry);
        return;
    }
    const bool sectionExists = std::any_of(lines_.begin(), lines_.end(), [&](const Line& line) {
        return line.kind == Line::kSection && line.section == section;
    });
    if (!sectionExists) {
        if (!lines_.empty() && !lines_.back().text.trimmed().isEmpty())
            lines_.push_back(Line{});
        Line header;
        header.kind = Line::kSection;
        header.text = '[' + SectionText(section) + ']';
        header.section = section;
        lines_.push_back(std::move(header));
        lines_.push_back(std::move(entry));
        return;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(InsertionPoint(section)),
                  std::move(entry));
}

bool IniFile::Save(const QString& path) const {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    for (const Line& line : lines_) {
        out.write(line.text);
        out.write("\n", 1);
    }
    return out.commit();
}
