#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "session/session_state.h"
#include "settings/registry.h"
#include "settings/settings.h"
#include "settings/settings_keys.h"

namespace {

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("registry.ini");
        qputenv("KEL_REMOTE_REGISTRY", path.toLocal8Bit());
    }
    void TearDown() override { qunsetenv("KEL_REMOTE_REGISTRY"); }

    QByteArray FileBytes() const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void WriteFile(const QByteArray& bytes) const {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    QTemporaryDir dir;
    QString path;
};

TEST_F(RegistryTest, ValuesSurviveInTheFile) {
    ASSERT_EQ(RegWriteDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueIp, 0x0100007F), 0);
    ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, kSettingsKey, kValueUser, "Jo, \"the\" Operator"),
              0);
    ASSERT_EQ(RegWriteDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueHardwareHold, 800), 0);

    const QByteArray file = FileBytes();
    EXPECT_TRUE(file.contains("dword:0100007f")) << file.constData();
    EXPECT_TRUE(file.contains("dword:00000320")) << file.constData();

    uint32_t ip = 0;
    std::string user;
    EXPECT_EQ(RegReadDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueIp, ip), 0);
    EXPECT_EQ(ip, 0x0100007Fu);
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kSettingsKey, kValueUser, user), 0);
    EXPECT_EQ(user, "Jo, \"the\" Operator");
    // 8-bit names come back byte for byte, and the file stays readable.
    ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, kSettingsKey, "name", "Ren\xe9 \x01"), 0);
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kSettingsKey, "name", user), 0);
    EXPECT_EQ(user, "Ren\xe9 \x01");
    SessionState state;
    ReadFrameSettings(state);
    EXPECT_EQ(state.hwBtnHold.load(), 800u);
    EXPECT_EQ(state.swBtnHold.load(), kDefaultButtonHold);
}

TEST_F(RegistryTest, MissingKeyOrValueLeavesDefaults) {
    uint32_t number = 1234;
    std::string text = "kept";
    EXPECT_EQ(RegReadDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueIp, number), -1);
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kSettingsKey, kValueUser, text), -1);
    SessionState state;
    ReadFrameSettings(state);
    EXPECT_EQ(number, 1234u);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(ReadPreferredAddress(), std::nullopt);
    EXPECT_EQ(state.hwBtnHold.load(), 400u);
    EXPECT_EQ(state.swBtnHold.load(), 400u);
    EXPECT_EQ(state.chatSignal.load(), 3u);

    ASSERT_EQ(RegWriteDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueChatSignal, 2), 0);
    EXPECT_EQ(RegReadDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueIp, number), -1);
    EXPECT_EQ(number, 1234u);
}

TEST_F(RegistryTest, StringWriteNeedsAnExistingKey) {
    EXPECT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, kSettingsKey, kValueUser, "Jo"), -1);
    std::string user;
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kSettingsKey, kValueUser, user), -1);
    EXPECT_FALSE(FileBytes().contains("Jo"));

    ASSERT_EQ(RegWriteDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueBigSize, 0), 0);
    EXPECT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, kSettingsKey, kValueUser, "Jo"), 0);
    // A key below the settings key makes the settings key exist as well.
    ASSERT_EQ(RegWriteDword(HKEY_LOCAL_MACHINE, "Software\\Other\\Deep", "v", 1), 0);
    EXPECT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, "Software\\Other", "name", "x"), 0);
}

TEST_F(RegistryTest, DataOfAtMostFourBytesReadAsANumber) {
    struct Case {
        RegistryType type;
        std::string data;
        int result;
        uint32_t number;
    } cases[] = {
        {REG_BINARY, std::string("\x90\x01", 2), 0, 400},
        {REG_BINARY, std::string("\x01\x02\x03\x04", 4), 0, 0x04030201},
        {REG_SZ, std::string("abc\0", 4), 0, 0x00636261},
        {REG_SZ, std::string("\0", 1), 0, 0},
        {REG_SZ, std::string("abcd\0", 5), -1, 777},
        {REG_BINARY, std::string(), 0, 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = "v" + std::to_string(n++);
        ASSERT_EQ(RegWriteValue(HKEY_LOCAL_MACHINE, kSettingsKey, name, c.type, c.data), 0);
        uint32_t number = 777;
        EXPECT_EQ(RegReadDword(HKEY_LOCAL_MACHINE, kSettingsKey, name, number), c.result) << name;
        EXPECT_EQ(number, c.number) << name;
    }
    // A number read as text ends at its first zero byte.
    ASSERT_EQ(RegWriteDword(HKEY_LOCAL_MACHINE, kSettingsKey, "n", 0x00004241), 0);
    std::string text;
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kSettingsKey, "n", text), 0);
    EXPECT_EQ(text, "AB");
}

TEST_F(RegistryTest, UserNameIsCutTo127Characters) {
    ASSERT_EQ(RegWriteDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueIp, 0), 0);
    const std::string longName(200, 'u');
    ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, kSettingsKey, kValueUser, longName), 0);
    EXPECT_EQ(ReadStoredUser(), std::optional<std::string>(std::string(127, 'u')));
    // The stored value itself keeps every character.
    std::string user;
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kSettingsKey, kValueUser, user), 0);
    EXPECT_EQ(user.size(), 200u);
}

TEST_F(RegistryTest, HandEditedValuesAreUnderstood) {
    WriteFile(
        "[HKEY_LOCAL_MACHINE]\n"
        "Software\\Brenna\\Kel%20Remote\\Settings\\hwBtnHold=600\n"
        "Software\\Brenna\\Kel%20Remote\\Settings\\swBtnHold=0x258\n"
        "Software\\Brenna\\Kel%20Remote\\Settings\\usr=Operator\n"
        "Software\\Brenna\\Kel%20Remote\\Settings\\chatSignal=dword:zz\n");
    SessionState state;
    ReadFrameSettings(state);
    EXPECT_EQ(state.hwBtnHold.load(), 600u);
    EXPECT_EQ(state.swBtnHold.load(), 600u);
    EXPECT_EQ(state.chatSignal.load(), kDefaultChatSignal);  // unreadable value: default
    EXPECT_EQ(ReadStoredUser(), std::optional<std::string>("Operator"));
}

TEST_F(RegistryTest, ValuesAreEnumeratedByIndex) {
    for (const char* name : {"10.0.0.5", "192.168.1.7", "172.16.0.1"}) {
        ASSERT_EQ(
            RegWriteValue(HKEY_LOCAL_MACHINE, kTempIpsKey, name, REG_SZ, std::string(1, '\0')), 0);
    }
    std::vector<std::string> names;
    std::string name;
    for (int i = 0; RegEnumValue(HKEY_LOCAL_MACHINE, kTempIpsKey, i, name) == 0; ++i) {
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"10.0.0.5", "172.16.0.1", "192.168.1.7"}));
    EXPECT_EQ(RegEnumValue(HKEY_LOCAL_MACHINE, kSettingsKey, 0, name), -1);
}

TEST_F(RegistryTest, DamagedStoreGivesDefaultsAndIsNeverOverwritten) {
    const QByteArray damaged[] = {
        QByteArray("[HKEY_LOCAL_MACHINE]\nSoftware\\Brenna\\Kel%20Remote\\Settings\\hwBtnHold=900\n"
                   "this line is not a setting\n"),
        QByteArray::fromRawData("\x01\x02[\xff\xfe garbage\n\x00\x00 more", 21),
    };
    for (const QByteArray& bytes : damaged) {
        WriteFile(bytes);
        SessionState state;
        ReadFrameSettings(state);
        EXPECT_EQ(state.hwBtnHold.load(), kDefaultButtonHold);
        EXPECT_EQ(RegWriteDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueIp, 1), -1);
        EXPECT_EQ(RegWriteDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueHardwareHold, 1), -1);
        EXPECT_EQ(FileBytes(), bytes);
    }
}

// Whatever sits where the settings file should be, start-up neither waits
// for it nor reads it whole: built-in settings, nothing written.
TEST_F(RegistryTest, FilesThatAreNoSettingsFileGiveDefaults) {
    const QString big = dir.filePath("big.ini");
    {
        QFile file(big);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const QByteArray line(
            "[HKEY_LOCAL_MACHINE]\nSoftware\\Brenna\\Kel%20Remote\\Settings\\"
            "hwBtnHold=900\n");
        file.write(line);
        file.write(QByteArray(2 * 1024 * 1024, ';'));
    }
    const qint64 bigSize = QFileInfo(big).size();
    const QString fifo = dir.filePath("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const QString folder = dir.filePath("folder.ini");
    ASSERT_TRUE(QDir().mkdir(folder));
    for (const QString& store : {big, fifo, folder, QStringLiteral("/dev/zero")}) {
        qputenv("KEL_REMOTE_REGISTRY", store.toLocal8Bit());
        SessionState state;
        ReadFrameSettings(state);
        EXPECT_EQ(state.hwBtnHold.load(), kDefaultButtonHold) << store.toStdString();
        EXPECT_EQ(RegWriteDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueIp, 1), -1)
            << store.toStdString();
    }
    EXPECT_EQ(QFileInfo(big).size(), bigSize);
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

// Files of earlier versions (written by QSettings) read value by value, and
// a write keeps the comments and lines it does not know.
TEST_F(RegistryTest, EarlierFilesReadAndCommentsSurvive) {
    WriteFile(
        "; written by hand\n"
        "[HKEY_LOCAL_MACHINE]\n"
        "Software\\Brenna%20Technologies\\DiraZuvi\\TempIPs\\10.0.0.5=hex(1):00\n"
        "Software\\Brenna\\Kel%20Remote\\Settings\\bin=\"hex(3):01,02\"\n"
        "Software\\Brenna\\Kel%20Remote\\Settings\\hwBtnHold=dword:00000320\n"
        "Software\\Brenna\\Kel%20Remote\\Settings\\name=sz:Ren\xc3\xa9 \\x1\\x31\x7f\xc2\x85\n"
        "Software\\Brenna\\Kel%20Remote\\Settings\\pad=\"sz: padded \"\n"
        "Software\\Brenna\\Kel%20Remote\\Settings\\semi=\"sz:a;b=c\\\\d\\te\"\n"
        "Software\\Brenna\\Kel%20Remote\\Settings\\usr=\"sz:Jo, \\\"the\\\" Operator\"\n"
        "# kept as well\n"
        "[Other]\n"
        "key=value ; trailing remark\n");
    const struct {
        const char* name;
        std::string text;
    } strings[] = {
        {"name",
         "Ren\xe9 \x01"
         "1\x7f\x85"},
        {"pad", " padded "},
        {"semi", "a;b=c\\d\te"},
        {"usr", "Jo, \"the\" Operator"},
    };
    for (const auto& c : strings) {
        std::string text;
        EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kSettingsKey, c.name, text), 0) << c.name;
        EXPECT_EQ(text, c.text) << c.name;
    }
    uint32_t number = 0;
    EXPECT_EQ(RegReadDword(HKEY_LOCAL_MACHINE, kSettingsKey, "bin", number), 0);
    EXPECT_EQ(number, 0x0201u);
    std::string ip;
    EXPECT_EQ(RegEnumValue(HKEY_LOCAL_MACHINE, kTempIpsKey, 0, ip), 0);
    EXPECT_EQ(ip, "10.0.0.5");

    ASSERT_EQ(RegWriteDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueHardwareHold, 600), 0);
    ASSERT_EQ(RegWriteDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueSoftwareHold, 800), 0);
    const QByteArray file = FileBytes();
    for (const char* kept : {"; written by hand\n", "# kept as well\n[Other]\nkey=value ; trailing",
                             "hwBtnHold=dword:00000258\n", "swBtnHold=dword:00000320\n"}) {
        EXPECT_TRUE(file.contains(kept)) << kept << "\n" << file.constData();
    }
    // The new value joins its section, before the lines that follow it.
    EXPECT_LT(file.indexOf("swBtnHold"), file.indexOf("# kept as well"));
    SessionState state;
    ReadFrameSettings(state);
    EXPECT_EQ(state.hwBtnHold.load(), 600u);
    EXPECT_EQ(state.swBtnHold.load(), 800u);
}

TEST_F(RegistryTest, UnreadableStoreIsNeitherReadNorWritten) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    ASSERT_EQ(RegWriteDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueHardwareHold, 900), 0);
    const QByteArray before = FileBytes();
    QFile::setPermissions(path, QFileDevice::WriteOwner);
    SessionState state;
    ReadFrameSettings(state);
    EXPECT_EQ(state.hwBtnHold.load(), kDefaultButtonHold);
    EXPECT_EQ(RegWriteDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueIp, 1), -1);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(FileBytes(), before);
}

}  // namespace
