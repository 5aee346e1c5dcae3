#include "settings/registry.h"
#include "platform/byte_order.h"

#include <QByteArray>
#include <QStandardPaths>
#include <QStringList>
#include <cstdio>
#include <mutex>
#include <optional>
#include <set>
#include <utility>

#include "settings/ini_file.h"

namespace {

// A value as the store keeps it: its type and its raw data (a REG_SZ
// includes the terminating NUL, a REG_DWORD is 4 bytes little-endian).
struct StoredValue {
    uint32_t type = REG_SZ;
    QByteArray data;
};

// In the file each value is text with a type tag, in the manner of a
// registry export: "dword:0000012c", "sz:text", "hex(3):01,02". Untagged
// text (a hand-edited file) is a number when it reads as one, else a string.
QString EncodeValue(const StoredValue& value) {
    if (value.type == REG_DWORD && value.data.size() == 4) {
        const auto* b = reinterpret_cast<const uint8_t*>(value.data.constData());
        const uint32_t number = LoadLe32(b);
        return QStringLiteral("dword:%1").arg(number, 8, 16, QChar('0'));
    }
    if (value.type == REG_SZ && value.data.endsWith('\0') &&
        !value.data.chopped(1).contains('\0')) {
        return QStringLiteral("sz:") + QString::fromLatin1(value.data.chopped(1));
    }
    return QStringLiteral("hex(%1):").arg(value.type) + QString::fromLatin1(value.data.toHex(','));
}

StoredValue TextValue(const QByteArray& text) {
    return {REG_SZ, text + '\0'};
}

QByteArray DwordBytes(uint32_t number) {
    QByteArray data(4, '\0');
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<char>(number >> (8 * i));
    return data;
}

std::optional<StoredValue> DecodeValue(const QString& text) {
    if (text.startsWith(QLatin1String("dword:"))) {
        bool ok = false;
        const uint32_t number = text.mid(6).toUInt(&ok, 16);
        if (!ok)
            return std::nullopt;
        return StoredValue{REG_DWORD, DwordBytes(number)};
    }
    if (text.startsWith(QLatin1String("sz:")))
        return TextValue(text.mid(3).toLatin1());
    if (text.startsWith(QLatin1String("hex("))) {
        const qsizetype close = text.indexOf(QLatin1String("):"));
        bool ok = false;
        const uint32_t type = text.mid(4, close - 4).toUInt(&ok);
        if (close < 0 || !ok)
            return std::nullopt;
        const QString hex = text.mid(close + 2).remove(',');
        return StoredValue{type, QByteArray::fromHex(hex.toLatin1())};
    }
    bool isNumber = false;
    const uint32_t number = text.toUInt(&isNumber, 0);
    if (isNumber)
        return StoredValue{REG_DWORD, DwordBytes(number)};
    return TextValue(text.toLatin1());
}

QString GroupOf(RegistryRoot root, const std::string& path) {
    QString group = QString::fromLatin1(root.name);
    const QStringList parts = QString::fromLatin1(path).split('\\', Qt::SkipEmptyParts);
    for (const QString& part : parts)
        group += '/' + part;
    return group;
}

bool IsValueName(const std::string& name) {
    return !name.empty() && name.find_first_of("/\\") == std::string::npos;
}

std::mutex g_storeMutex;  // one operation on the file at a time
std::set<std::pair<QString, QString>> g_warned;

// Loads the store for one operation (one read of the file). False when the
// file exists but is not taken: then nothing is read from it and nothing
// written to it, and standard error says so once.
bool LoadStore(IniFile& store, const QString& path) {
    QString why;
    if (store.Load(path, why) != IniFile::Status::Refused)
        return true;
    if (g_warned.emplace(path, why).second) {
        std::fprintf(stderr, "Kel Remote: settings file %s %s; built-in settings apply\n",
                     qPrintable(path), qPrintable(why));
    }
    return false;
}

QString StorePath() {
    return QString::fromStdString(RegistryFilePath());
}

std::optional<StoredValue> ReadValue(RegistryRoot root, const std::string& path,
                                     const std::string& name) {
    if (!IsValueName(name))
        return std::nullopt;
    std::lock_guard lock(g_storeMutex);
    IniFile store;
    if (!LoadStore(store, StorePath()))
        return std::nullopt;
    const auto stored = store.Value(GroupOf(root, path) + '/' + QString::fromLatin1(name));
    if (!stored)
        return std::nullopt;
    return DecodeValue(*stored);
}

int WriteValue(RegistryRoot root, const std::string& path, const std::string& name,
               const StoredValue& value, bool createKey) {
    if (!IsValueName(name))
        return -1;
    std::lock_guard lock(g_storeMutex);
    const QString file = StorePath();
    IniFile store;
    if (!LoadStore(store, file))
        return -1;
    const QString group = GroupOf(root, path);
    if (!createKey && !store.HasGroup(group))
        return -1;
    store.SetValue(group + '/' + QString::fromLatin1(name), EncodeValue(value));
    return store.Save(file) ? 0 : -1;
}

}  // namespace

std::string RegistryFilePath() {
    const QByteArray overridden = qgetenv("KEL_REMOTE_REGISTRY");
    if (!overridden.isEmpty())
        return overridden.toStdString();
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return (folder + QStringLiteral("/Brenna/Kel Remote.ini")).toStdString();
}

int RegReadDword(RegistryRoot root, const std::string& path, const std::string& name,
                 uint32_t& destination) {
    const auto value = ReadValue(root, path, name);
    if (!value || value->data.size() > 4)
        return -1;
    uint32_t number = 0;
    for (qsizetype i = 0; i < value->data.size(); ++i) {
        number |= static_cast<uint32_t>(static_cast<uint8_t>(value->data[i])) << (8 * i);
    }
    destination = number;
    return 0;
}

int RegWriteDword(RegistryRoot root, const std::string& path, const std::string& name,
                  uint32_t value) {
    return WriteValue(root, path, name, StoredValue{REG_DWORD, DwordBytes(value)}, true);
}

int RegReadString(RegistryRoot root, const std::string& path, const std::string& name,
                  std::string& destination) {
    const auto value = ReadValue(root, path, name);
    if (!value)
        return -1;
    const qsizetype end = value->data.indexOf('\0');
    destination.assign(value->data.constData(), end < 0 ? value->data.size() : end);
    return 0;
}

int RegWriteString(RegistryRoot root, const std::string& path, const std::string& name,
                   const std::string& text) {
    return WriteValue(root, path, name, TextValue(QByteArray::fromStdString(text)), false);
}

int RegWriteValue(RegistryRoot root, const std::string& path, const std::string& name,
                  RegistryType type, const std::string& data) {
    return WriteValue(root, path, name, StoredValue{type, QByteArray::fromStdString(data)}, true);
}

int RegEnumValue(RegistryRoot root, const std::string& path, int index, std::string& name) {
    if (index < 0)
        return -1;
    std::lock_guard lock(g_storeMutex);
    IniFile store;
    if (!LoadStore(store, StorePath()))
        return -1;
    const QStringList names = store.ChildKeys(GroupOf(root, path));
    if (index >= names.size())
        return -1;
    name = names[index].toLatin1().toStdString();
    return 0;
}
