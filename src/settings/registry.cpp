#include "settings/registry.h"
#include "platform/byte_order.h"

#include <QByteArray>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <memory>
#include <optional>

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

std::optional<StoredValue> DecodeValue(const QVariant& stored) {
    QString text;
    if (stored.typeId() == QMetaType::QStringList) {
        text = stored.toStringList().join(',');
    } else if (stored.canConvert<QString>()) {
        text = stored.toString();
    } else {
        return std::nullopt;
    }
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

// Every line of a sound store is blank, a comment, a [section] or a
// key=value pair, in UTF-8 without NUL bytes. QSettings reports other files
// only to the first instance that parses them (later ones share its cached
// parse), so the store checks them itself.
bool IsSoundStoreFile(const QString& file) {
    QFile in(file);
    if (!in.exists())
        return true;
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    if (bytes.contains('\0') || QString::fromUtf8(bytes).toUtf8() != bytes)
        return false;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[') ? !line.endsWith(']') : !line.contains('='))
            return false;
    }
    return true;
}

// Opens the store for one operation. Null when the file exists but cannot
// be read or parsed: then nothing is read from it and nothing written to it.
std::unique_ptr<QSettings> OpenStore() {
    const QString file = QString::fromStdString(RegistryFilePath());
    if (!IsSoundStoreFile(file))
        return nullptr;
    auto store = std::make_unique<QSettings>(file, QSettings::IniFormat);
    // The file is parsed on first access; only then does status() tell.
    (void)store->childGroups();
    if (store->status() != QSettings::NoError)
        return nullptr;
    return store;
}

bool KeyExists(QSettings& store, const QString& group) {
    store.beginGroup(group);
    const bool exists = !store.childKeys().isEmpty() || !store.childGroups().isEmpty();
    store.endGroup();
    return exists;
}

std::optional<StoredValue> ReadValue(RegistryRoot root, const std::string& path,
                                     const std::string& name) {
    if (!IsValueName(name))
        return std::nullopt;
    const auto store = OpenStore();
    if (!store)
        return std::nullopt;
    const QString key = GroupOf(root, path) + '/' + QString::fromLatin1(name);
    const QVariant stored = store->value(key);
    if (!stored.isValid())
        return std::nullopt;
    return DecodeValue(stored);
}

int WriteValue(RegistryRoot root, const std::string& path, const std::string& name,
               const StoredValue& value, bool createKey) {
    if (!IsValueName(name))
        return -1;
    const auto store = OpenStore();
    if (!store)
        return -1;
    const QString group = GroupOf(root, path);
    if (!createKey && !KeyExists(*store, group))
        return -1;
    store->setValue(group + '/' + QString::fromLatin1(name), EncodeValue(value));
    store->sync();
    return store->status() == QSettings::NoError ? 0 : -1;
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
    const auto store = OpenStore();
    if (!store || index < 0)
        return -1;
    store->beginGroup(GroupOf(root, path));
    const QStringList names = store->childKeys();
    store->endGroup();
    if (index >= names.size())
        return -1;
    name = names[index].toLatin1().toStdString();
    return 0;
}
