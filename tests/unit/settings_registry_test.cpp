#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <string>

#include <unistd.h>

#include "settings/registry.h"
#include "settings/settings.h"

namespace {

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("registry.ini");
        qputenv("KEL_REMOTE_REGISTRY", path.toLocal8Bit());
        HardwareButtonHold = kDefaultButtonHold;
        SoftwareButtonHold = kDefaultButtonHold;
        ChatSignal = kDefaultChatSignal;
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
    ReadFrameSettings();
    EXPECT_EQ(HardwareButtonHold.load(), 800u);
    EXPECT_EQ(SoftwareButtonHold.load(), kDefaultButtonHold);
}

TEST_F(RegistryTest, MissingKeyOrValueLeavesDefaults) {
    uint32_t number = 1234;
    std::string text = "kept";
    EXPECT_EQ(RegReadDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueIp, number), -1);
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kSettingsKey, kValueUser, text), -1);
    ReadFrameSettings();
    EXPECT_EQ(number, 1234u);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(ReadPreferredAddress(), 0u);
    EXPECT_EQ(HardwareButtonHold.load(), 400u);
    EXPECT_EQ(SoftwareButtonHold.load(), 400u);
    EXPECT_EQ(ChatSignal.load(), 3u);

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
    std::string user;
    EXPECT_EQ(ReadStoredUser(user), 0);
    EXPECT_EQ(user, std::string(127, 'u'));
    // The stored value itself keeps every character.
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
    ReadFrameSettings();
    EXPECT_EQ(HardwareButtonHold.load(), 600u);
    EXPECT_EQ(SoftwareButtonHold.load(), 600u);
    EXPECT_EQ(ChatSignal.load(), kDefaultChatSignal);  // unreadable value: default
    std::string user;
    EXPECT_EQ(ReadStoredUser(user), 0);
    EXPECT_EQ(user, "Operator");
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
        QByteArray("\x01\x02[\xff\xfe garbage\n\x00\x00 more", 21),
    };
    for (const QByteArray& bytes : damaged) {
        WriteFile(bytes);
        ReadFrameSettings();
        EXPECT_EQ(HardwareButtonHold.load(), kDefaultButtonHold);
        EXPECT_EQ(RegWriteDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueIp, 1), -1);
        EXPECT_EQ(RegWriteDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueHardwareHold, 1), -1);
        EXPECT_EQ(FileBytes(), bytes);
    }
}

TEST_F(RegistryTest, UnreadableStoreIsNeitherReadNorWritten) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    ASSERT_EQ(RegWriteDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueHardwareHold, 900), 0);
    const QByteArray before = FileBytes();
    QFile::setPermissions(path, QFileDevice::WriteOwner);
    ReadFrameSettings();
    EXPECT_EQ(HardwareButtonHold.load(), kDefaultButtonHold);
    EXPECT_EQ(RegWriteDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueIp, 1), -1);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(FileBytes(), before);
}

}  // namespace
