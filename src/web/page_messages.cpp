#include "web/page_messages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "platform/beep.h"
#include "platform/message_box.h"
#include "platform/winsock.h"

namespace {

QString Compact(const QJsonObject& object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString AddressOrNone(uint32_t address) {
    return address == kNoAddress ? QString() : QString::fromStdString(Ipv4ToText(address));
}

QString VersionText(int16_t displayVersion) {
    return QString::number(displayVersion / 1000.0, 'f', 3);
}

const char* SeverityName(BannerSeverity severity) {
    switch (severity) {
        case BannerSeverity::Info:
            return "info";
        case BannerSeverity::Warning:
            return "warning";
        default:
            return "error";
    }
}

// The page's numbers for the station's sounds.
int SoundNumber(unsigned sound) {
    switch (sound) {
        case MB_ICONEXCLAMATION:
            return 0;
        case MB_ICONQUESTION:
            return 1;
        case kSimpleBeep:
            return 3;
        default:
            return 2;
    }
}

}  // namespace

QString HelloMessage(uint32_t hwBtnHold, uint32_t swBtnHold) {
    return Compact({{"type", "hello"},
                    {"version", QString::number(kProgramVersion / 1000.0, 'f', 2)},
                    {"hwBtnHold", static_cast<qint64>(hwBtnHold)},
                    {"swBtnHold", static_cast<qint64>(swBtnHold)}});
}

QString DesksMessage(const std::vector<DeskInfo>& desks) {
    QJsonArray list;
    for (const DeskInfo& desk : desks) {
        const StationRecord& s = desk.station;
        list.append(QJsonObject{{"address", AddressOrNone(s.address)},
                                {"name", QString::fromStdString(s.Name())},
                                {"deskType", QString::fromLatin1(DeskTypeName(s.type))},
                                {"emulation", s.emulation != 0},
                                {"version", VersionText(s.displayVersion)},
                                {"connected", desk.connected}});
    }
    return Compact({{"type", "desks"}, {"desks", list}});
}

QString SessionMessage(const SessionView& session) {
    return Compact({{"type", "session"},
                    {"desk", AddressOrNone(session.desk)},
                    {"connecting", AddressOrNone(session.connecting)},
                    {"lost", AddressOrNone(session.lost)},
                    {"ready", session.ready},
                    {"mode", session.deskMode}});
}

QString BannerMessage(const std::string& text, BannerSeverity severity, uint32_t retryDesk) {
    return Compact({{"type", "banner"},
                    {"text", QString::fromStdString(text)},
                    {"severity", QString::fromLatin1(SeverityName(severity))},
                    {"retry", AddressOrNone(retryDesk)}});
}

QString BeepMessage(unsigned sound) {
    return Compact({{"type", "beep"}, {"sound", SoundNumber(sound)}});
}
