// The browser gateway's messages: what browsers send (strict, one length per
// kind), the screen updates they are sent, and the page's JSON texts.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <vector>

#include "display/screen_format.h"
#include "web/browser_messages.h"
#include "web/page_messages.h"
#include "web/screen_messages.h"

namespace {

using Bytes = std::vector<uint8_t>;

QByteArray Raw(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

BrowserMessage Make(BrowserMessageKind kind, uint8_t action = 0, uint16_t x = 0, uint16_t y = 0,
                    uint16_t code = 0, uint32_t value = 0) {
    return {kind, action, x, y, code, value};
}

struct AcceptedCase {
    const char* name;
    Bytes bytes;
    BrowserMessage expected;
};

TEST(BrowserMessages, DecodesEachKindAndEncodesItBack) {
    using K = BrowserMessageKind;
    const std::vector<AcceptedCase> cases = {
        {"press at the last pixel",
         {1, 2, 0xEF, 0x00, 0x0B, 0x01},  // pointer, press, x 239, y 267
         Make(K::Pointer, 2, 239, 267)},
        {"move", {1, 1, 5, 0, 6, 0}, Make(K::Pointer, 1, 5, 6)},
        {"character a", {2, 0x61, 0x00}, Make(K::Character, 0, 0, 0, 'a')},
        {"character euro", {2, 0xAC, 0x20}, Make(K::Character, 0, 0, 0, 0x20AC)},
        {"key Delete", {3, 9}, Make(K::Key, 0, 0, 0, 9)},
        {"Next released", {4, 4, 2}, Make(K::Button, 2, 0, 0, 4)},
        {"step down", {5, 40}, Make(K::EncoderStep, 0, 0, 0, 40)},
        {"refresh", {6}, Make(K::Refresh)},
        {"connect 127.0.0.2", {7, 127, 0, 0, 2}, Make(K::Connect, 0, 0, 0, 0, 0x0200007F)},
        {"disconnect", {8}, Make(K::Disconnect)},
        {"cancel", {9}, Make(K::CancelConnect)},
        {"stop waiting", {10}, Make(K::StopWaiting)},
        {"ack", {11, 0x78, 0x56, 0x34, 0x12}, Make(K::ScreenAck, 0, 0, 0, 0, 0x12345678)},
        {"whole screen", {12}, Make(K::FullScreen)},
    };
    for (const auto& c : cases) {
        const BrowserParse parse = ParseBrowserMessage(Raw(c.bytes));
        ASSERT_TRUE(parse.message.has_value()) << c.name << ": " << parse.problem;
        EXPECT_EQ(*parse.message, c.expected) << c.name;
        EXPECT_EQ(EncodeBrowserMessage(c.expected), Raw(c.bytes)) << c.name;
    }
}

TEST(BrowserMessages, RefusesMalformedOnes) {
    const std::vector<std::pair<Bytes, std::string>> cases = {
        {{}, "empty message"},
        {{0}, "unknown message kind"},
        {{13}, "unknown message kind"},
        {{255, 1, 2}, "unknown message kind"},
        {{1, 2, 0, 0, 0}, "wrong message length"},
        {{6, 0}, "wrong message length"},
        {{11, 1, 2, 3}, "wrong message length"},
        {{1, 4, 0, 0, 0, 0}, "unknown pointer action"},
        {{1, 0, 0, 0, 0, 0}, "unknown pointer action"},
        {{1, 2, 0xF0, 0, 0, 0}, "pointer outside the desk screen"},     // x 240
        {{1, 2, 0, 0, 0x0C, 0x01}, "pointer outside the desk screen"},  // y 268
        {{2, 0, 0}, "character 0"},
        {{3, 0}, "unknown key"},
        {{3, 10}, "unknown key"},
        {{4, 5, 1}, "unknown button"},
        {{4, 0, 3}, "unknown button action"},
        {{5, 36}, "unknown encoder direction"},
        {{5, 41}, "unknown encoder direction"},
    };
    for (const auto& [bytes, problem] : cases) {
        const BrowserParse parse = ParseBrowserMessage(Raw(bytes));
        EXPECT_FALSE(parse.message.has_value()) << problem;
        EXPECT_EQ(parse.problem, problem);
    }
}

std::vector<uint16_t> Frame(uint16_t colour) {
    return std::vector<uint16_t>(kRemotePixels, colour);
}

void PaintRow(std::vector<uint16_t>& frame, int row, uint16_t colour) {
    std::fill_n(frame.begin() + row * kRemoteWidth, kRemoteWidth, colour);
}

TEST(ScreenUpdates, ChangedRowsAreJoinedRuns) {
    const std::vector<std::pair<std::vector<int>, std::vector<RowRange>>> cases = {
        {{}, {}},
        {{0}, {{0, 1}}},
        {{267}, {{267, 1}}},
        {{3, 4, 5}, {{3, 3}}},
        {{3, 5}, {{3, 1}, {5, 1}}},
        {{0, 1, 100, 266, 267}, {{0, 2}, {100, 1}, {266, 2}}},
    };
    const std::vector<uint16_t> before = Frame(0x1234);
    for (const auto& [rows, expected] : cases) {
        std::vector<uint16_t> after = before;
        for (int row : rows)
            after[static_cast<size_t>(row) * kRemoteWidth + 7] = 0xF800;
        EXPECT_EQ(ChangedRows(before.data(), after.data()), expected) << rows.size();
    }
}

TEST(ScreenUpdates, OneRowUpdateHasTheDocumentedBytes) {
    std::vector<uint16_t> frame = Frame(0);
    PaintRow(frame, 2, 0xF81F);
    const QByteArray message = EncodeScreenUpdate(7, false, {{2, 1}}, frame.data());
    ASSERT_EQ(message.size(), 8 + 4 + 480);
    const Bytes head = {
        1,                 // kind: screen rows
        0,                 // flags: changed rows only
        7,    0,    0, 0,  // sequence 7
        1,    0,           // one range
        2,    0,    1, 0,  // first row 2, one row
        0x1F, 0xF8,        // first pixel, little-endian
    };
    EXPECT_EQ(message.left(static_cast<qsizetype>(head.size())), Raw(head));
}

TEST(ScreenUpdates, ApplyingTheUpdatesRebuildsTheFrame) {
    std::vector<uint16_t> before = Frame(0x0101);
    std::vector<uint16_t> after = before;
    PaintRow(after, 0, 0xAAAA);
    PaintRow(after, 1, 0xBBBB);
    PaintRow(after, 200, 0xCCCC);
    std::vector<uint16_t> shown = before;
    uint32_t sequence = 0;
    bool whole = true;
    ASSERT_TRUE(ApplyScreenUpdate(
        EncodeScreenUpdate(42, false, ChangedRows(before.data(), after.data()), after.data()),
        shown.data(), &sequence, &whole));
    EXPECT_EQ(shown, after);
    EXPECT_EQ(sequence, 42u);
    EXPECT_FALSE(whole);

    std::vector<uint16_t> fresh = Frame(0);
    ASSERT_TRUE(
        ApplyScreenUpdate(EncodeWholeScreen(43, after.data()), fresh.data(), &sequence, &whole));
    EXPECT_EQ(fresh, after);
    EXPECT_TRUE(whole);
}

TEST(ScreenUpdates, MalformedUpdatesLeaveTheFrameAlone) {
    const std::vector<uint16_t> frame = Frame(0x4444);
    const QByteArray good = EncodeScreenUpdate(1, false, {{10, 2}, {20, 1}}, frame.data());
    const auto edited = [&](int at, char value) {
        QByteArray bytes = good;
        bytes[at] = value;
        return bytes;
    };
    QByteArray pastTheEnd = EncodeScreenUpdate(1, false, {{266, 2}}, frame.data());
    pastTheEnd[10] = 3;  // rows 266 to 268
    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"short head", good.left(7)},
        {"other kind", edited(0, 2)},
        {"unknown flag", edited(1, 2)},
        {"more ranges than bytes", edited(6, 3)},
        {"range of no rows", edited(10, 0)},
        {"range past the last row", pastTheEnd},
        {"ranges touching", edited(8 + 4 + 960, 12)},
        {"ranges overlapping", edited(8 + 4 + 960, 11)},
        {"bytes missing", good.chopped(2)},
        {"bytes left over", good + QByteArray(2, '\0')},
    };
    for (const auto& [name, bytes] : cases) {
        std::vector<uint16_t> shown = Frame(0);
        EXPECT_FALSE(ApplyScreenUpdate(bytes, shown.data())) << name;
        EXPECT_EQ(shown, Frame(0)) << name;
    }
}

QJsonObject Json(const QString& text) {
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

TEST(PageMessages, CarryNetworkTextsAsPlainStrings) {
    DeskInfo desk;
    SetStationAddress(desk.station, 0x0200007F);
    desk.station.SetName("<b>\"FOH\"</b>\n");
    desk.station.type = 5;
    desk.station.emulation = 1;
    desk.station.displayVersion = 4321;
    desk.connected = true;
    const QJsonObject desks = Json(DesksMessage({desk}));
    EXPECT_EQ(desks.value("type").toString(), "desks");
    const QJsonObject first = desks.value("desks").toArray().at(0).toObject();
    EXPECT_EQ(first.value("address").toString(), "127.0.0.2");
    EXPECT_EQ(first.value("name").toString(), "<b>\"FOH\"</b>\n");
    EXPECT_EQ(first.value("deskType").toString(), "Kel Beta");
    EXPECT_TRUE(first.value("emulation").toBool());
    EXPECT_EQ(first.value("version").toString(), "4.321");
    EXPECT_TRUE(first.value("connected").toBool());

    const QJsonObject banner =
        Json(BannerMessage("Desk says:\n<script>", BannerSeverity::Warning, 0x0300007F));
    EXPECT_EQ(banner.value("text").toString(), "Desk says:\n<script>");
    EXPECT_EQ(banner.value("severity").toString(), "warning");
    EXPECT_EQ(banner.value("retry").toString(), "127.0.0.3");

    SessionView view;
    view.desk = 0x0200007F;
    view.ready = true;
    view.deskMode = 8;
    const QJsonObject session = Json(SessionMessage(view));
    EXPECT_EQ(session.value("desk").toString(), "127.0.0.2");
    EXPECT_EQ(session.value("connecting").toString(), "");
    EXPECT_EQ(session.value("lost").toString(), "");
    EXPECT_TRUE(session.value("ready").toBool());
    EXPECT_EQ(session.value("mode").toInt(), 8);
}

}  // namespace
