#include "platform/desk_text.h"

#include <QList>
#include <QString>
#include <array>

namespace {

// Windows-1252 bytes 0x80 to 0x9F; zero where the code page has no
// character (the byte then stands for the C1 control of its number).
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
};

char32_t CharacterOf(unsigned char byte) {
    if (byte < 0x80 || byte > 0x9F)
        return byte;
    const char32_t mapped = kHighControls[byte - 0x80];
    return mapped != 0 ? mapped : byte;
}

char ByteOf(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (size_t i = 0; i < kHighControls.size(); ++i) {
        const char32_t mapped = kHighControls[i];
        if (mapped == c || (mapped == 0 && c == 0x80 + i))
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

bool IsC1(char32_t c) {
    return c >= 0x80 && c <= 0x9F;
}

template <typename Map>
std::string MapCharacters(std::string_view utf8, Map map) {
    const QList<uint> characters =
        QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toUcs4();
    std::u32string out;
    out.reserve(characters.size());
    for (uint c : characters)
        out += map(static_cast<char32_t>(c));
    return QString::fromUcs4(out.data(), static_cast<qsizetype>(out.size())).toStdString();
}

}  // namespace

std::string Utf8ToWindows1252(std::string_view utf8) {
    const QList<uint> characters =
        QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toUcs4();
    std::string out;
    out.reserve(characters.size());
    for (uint c : characters)
        out += ByteOf(static_cast<char32_t>(c));
    return out;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::u32string characters;
    characters.reserve(bytes.size());
    for (char b : bytes)
        characters += CharacterOf(static_cast<unsigned char>(b));
    return QString::fromUcs4(characters.data(), static_cast<qsizetype>(characters.size()))
        .toStdString();
}

std::string WithLineFeeds(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i];
    }
    return out;
}

std::string TerminalSafe(std::string_view utf8) {
    return MapCharacters(
        utf8, [](char32_t c) -> char32_t { return c < 0x20 || c == 0x7F || IsC1(c) ? U'?' : c; });
}

std::string DisplaySafe(std::string_view utf8, bool keepLineFeeds) {
    return MapCharacters(utf8, [keepLineFeeds](char32_t c) -> char32_t {
        if ((c == U'\n' && keepLineFeeds) || c == U'\t')
            return c;
        if (c < 0x20)
            return 0x2400 + c;
        if (c == 0x7F)
            return 0x2421;
        return IsC1(c) ? U'?' : c;
    });
}
