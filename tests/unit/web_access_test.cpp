// Who may reach the desk through the browser gateway, and how much: the
// token, the front door's look at request heads, the message budget, and the
// hardware buttons' hold rule.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/tick.h"
#include "recording_sink.h"
#include "session/session_state.h"
#include "web/access_token.h"
#include "web/handheld_buttons.h"
#include "web/message_budget.h"
#include "web/request_head.h"

namespace {

const QByteArray kToken = "0123456789abcdef0123456789abcdef";

TEST(AccessToken, FreshTokensAreLongRandomAndUsable) {
    const QByteArray a = MakeAccessToken(), b = MakeAccessToken();
    EXPECT_EQ(a.size(), 32);
    EXPECT_TRUE(IsUsableToken(a));
    EXPECT_NE(a, b);
}

TEST(AccessToken, MatchesOnlyTheWholeToken) {
    const std::vector<std::pair<QByteArray, bool>> cases = {
        {kToken, true},        {kToken.left(31), false},
        {kToken + "0", false}, {QByteArray(kToken).replace(31, 1, "e"), false},
        {"", false},
    };
    for (const auto& [given, matches] : cases)
        EXPECT_EQ(TokenMatches(kToken, given), matches) << given.constData();
    EXPECT_FALSE(TokenMatches("", ""));
}

TEST(AccessToken, ComesFromTheTargetsQuery) {
    const std::vector<std::pair<QByteArray, QByteArray>> cases = {
        {"/ws?token=abc", "abc"},
        {"/?a=1&token=x%2Dy&b=2", "x-y"},
        {"/ws", ""},
        {"/ws?tokens=abc", ""},
    };
    for (const auto& [target, token] : cases)
        EXPECT_EQ(TokenOfTarget(target), token) << target.constData();
}

TEST(AccessToken, KeptInAFileMadeWhenMissing) {
    QTemporaryDir dir;
    const QString path = dir.filePath("token");
    QString problem;
    const auto made = AccessTokenFromFile(path, &problem);
    ASSERT_TRUE(made) << problem.toStdString();
    EXPECT_EQ(QFile::permissions(path) & (QFile::ReadGroup | QFile::ReadOther), 0);
    EXPECT_EQ(AccessTokenFromFile(path, &problem), made);

    for (const QByteArray& content :
         {QByteArray("short\n"), QByteArray("has space in it 123\n"), QByteArray(129, 'a')}) {
        QFile file(dir.filePath("bad"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        EXPECT_FALSE(AccessTokenFromFile(file.fileName(), &problem)) << content.constData();
        EXPECT_TRUE(problem.contains("no usable token"));
    }
}

QByteArray Head(const QByteArray& target, const QByteArray& headers) {
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:8780\r\n" + headers + "\r\n";
}

const QByteArray kUpgrade = "Upgrade: websocket\r\nConnection: keep-alive, Upgrade\r\n";
const QByteArray kOwnOrigin = "Origin: http://127.0.0.1:8780\r\n";

TEST(RequestHead, AdmitsWebSocketsWithTokenAndOwnOrigin) {
    const std::vector<std::tuple<const char*, QByteArray, Admission>> cases = {
        {"page", Head("/?token=" + kToken, ""), Admission::Http},
        {"page without token", Head("/", ""), Admission::Forbidden},
        {"other file without token", Head("/favicon.ico", ""), Admission::Forbidden},
        {"other file", Head("/favicon.ico?token=" + kToken, ""), Admission::Http},
        {"socket", Head("/ws?token=" + kToken, kUpgrade + kOwnOrigin), Admission::WebSocket},
        {"socket, origin in capitals",
         Head("/ws?token=" + kToken, kUpgrade + "Origin: HTTP://127.0.0.1:8780\r\n"),
         Admission::WebSocket},
        {"socket without token", Head("/ws", kUpgrade + kOwnOrigin), Admission::Forbidden},
        {"socket with wrong token",
         Head("/ws?token=" + kToken.left(31) + "0", kUpgrade + kOwnOrigin), Admission::Forbidden},
        {"socket from another page",
         Head("/ws?token=" + kToken, kUpgrade + "Origin: http://evil.example\r\n"),
         Admission::Forbidden},
        {"socket without origin", Head("/ws?token=" + kToken, kUpgrade), Admission::Forbidden},
        {"socket elsewhere", Head("/other?token=" + kToken, kUpgrade + kOwnOrigin),
         Admission::NotFound},
    };
    for (const auto& [name, bytes, admission] : cases) {
        ASSERT_EQ(RequestHeadLength(bytes), bytes.size()) << name;
        const auto head = ParseRequestHead(bytes);
        ASSERT_TRUE(head) << name;
        EXPECT_EQ(Admit(*head, kToken), admission) << name;
    }
}

TEST(RequestHead, RefusesMalformedHeads) {
    const std::vector<QByteArray> cases = {
        "\r\n\r\n",
        "GET\r\n\r\n",
        "GET /ws\r\n\r\n",
        "GET ws HTTP/1.1\r\n\r\n",
        "GET /ws HTTP/2\r\n\r\n",
        "GET /ws HTTP/1.1\r\nNoColon\r\n\r\n",
        "GET /ws HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n",
        "GET /ws HTTP/1.1\r\nOrigin: a\r\norigin: b\r\n\r\n",
    };
    for (const QByteArray& bytes : cases)
        EXPECT_FALSE(ParseRequestHead(bytes)) << bytes.constData();
    EXPECT_EQ(RequestHeadLength("GET / HTTP/1.1\r\nHost: a\r\n"), 0);
}

TEST(MessageBudget, AllowsABurstThenTheRate) {
    MessageBudget budget(200, 400);
    int taken = 0;
    while (budget.Take(1000))
        ++taken;
    EXPECT_EQ(taken, 400);
    EXPECT_FALSE(budget.Take(1004));  // 0.8 of a message
    EXPECT_TRUE(budget.Take(1005));   // one whole message refilled
    EXPECT_FALSE(budget.Take(1005));
    int later = 0;
    while (budget.Take(1005 + 10000))
        ++later;
    EXPECT_EQ(later, 400);  // never more than the burst
}

uint32_t g_now = 0;
uint32_t FakeTicks() {
    return g_now;
}

class HandheldButtonsTest : public ::testing::Test {
  protected:
    void SetUp() override { SetTickSource(&FakeTicks); }
    void TearDown() override { SetTickSource(nullptr); }
    RecordingSink sink;
    SessionState state;
    HandheldButtons buttons{sink, state};
};

TEST_F(HandheldButtonsTest, ReleaseSendsTheCodeLongOnlyPastTheHoldTime) {
    struct Case {
        int index;
        uint32_t held;
        const char* sent;
    };
    const std::vector<Case> cases = {
        {0, 300, "button 0 193"}, {0, 400, "button 0 193"}, {0, 401, "button 1 193"},
        {1, 10, "button 0 194"},  {2, 10, "button 0 134"},  {3, 900, "button 1 195"},
        {4, 0, "button 0 196"},
    };
    for (const Case& c : cases) {
        sink.sent.clear();
        g_now = 5000;
        buttons.Pressed(c.index);
        g_now += c.held;
        buttons.Released(c.index);
        EXPECT_EQ(sink.sent, std::vector<std::string>{c.sent}) << c.index << " " << c.held;
    }
}

TEST_F(HandheldButtonsTest, OnlyAReleaseOfItsOwnPressWithASessionCounts) {
    buttons.Released(0);  // never pressed
    buttons.Pressed(1);
    buttons.ForgetPresses();
    buttons.Released(1);
    sink.sessionOpen = false;
    buttons.Pressed(3);
    buttons.Released(3);
    EXPECT_TRUE(sink.sent.empty());
    buttons.Step(38);
    buttons.Step(41);  // not a direction
    EXPECT_EQ(sink.sent, std::vector<std::string>{"button 1 38"});
}

}  // namespace
