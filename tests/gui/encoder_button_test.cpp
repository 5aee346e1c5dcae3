// The hardware buttons against a recording desk: short and long presses
// measured with an injected clock, the encoder's drag steps.

#include <QApplication>
#include <QMouseEvent>
#include <QtTest>
#include <atomic>
#include <memory>

#include "app/handheld_geometry.h"
#include "controls/encoder_btn.h"
#include "platform/tick.h"
#include "recording_desk.h"
#include "session/session_state.h"

namespace {

std::atomic<uint32_t> g_now{100000};
uint32_t FakeTicks() {
    return g_now.load();
}

void Mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void Press(QWidget* b, QPoint at) {
    Mouse(b, QEvent::MouseButtonPress, at, Qt::LeftButton);
}
void Release(QWidget* b, QPoint at) {
    Mouse(b, QEvent::MouseButtonRelease, at, Qt::NoButton);
}
void Drag(QWidget* b, QPoint at) {
    Mouse(b, QEvent::MouseMove, at, Qt::LeftButton);
}

}  // namespace

class EncoderButtonTest : public QObject {
    Q_OBJECT

  private:
    QWidget parent_;
    SessionState state_;
    ClientConnection client_{state_};

    std::unique_ptr<EncoderBtn> Make(int index) {
        auto button = std::make_unique<EncoderBtn>(QPoint(0, 0), 70, index, &parent_,
                                                   QStringLiteral("Views"), client_, state_);
        parent_.show();
        return button;
    }

  private slots:
    void initTestCase() {
        SetTickSource(&FakeTicks);
        parent_.resize(300, 300);
    }
    void cleanupTestCase() { SetTickSource(nullptr); }
    void init() { state_.hwBtnHold.store(kDefaultButtonHold); }

    void pressDurationDecidesLong_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("held");
        QTest::addColumn<int>("isLong");
        QTest::addColumn<int>("code");
        QTest::newRow("Views 300 ms") << 0 << 300 << 0 << 193;
        QTest::newRow("Views exactly 400 ms") << 0 << 400 << 0 << 193;
        QTest::newRow("Views 401 ms") << 0 << 401 << 1 << 193;
        QTest::newRow("Res. 401 ms") << 1 << 401 << 1 << 194;
        QTest::newRow("encoder tap") << 2 << 100 << 0 << 134;
        QTest::newRow("Cmd") << 3 << 10 << 0 << 195;
        QTest::newRow("Next long") << 4 << 5000 << 1 << 196;
    }
    void pressDurationDecidesLong() {
        QFETCH(int, index);
        QFETCH(int, held);
        QFETCH(int, isLong);
        QFETCH(int, code);
        RecordingDesk desk(client_);
        auto button = Make(index);
        Press(button.get(), {35, 35});
        g_now += static_cast<uint32_t>(held);
        Release(button.get(), {35, 35});
        const auto expected =
            ButtonMessage(static_cast<uint8_t>(isLong), static_cast<uint16_t>(code));
        QCOMPARE(desk.InputUntilMark(), expected);
    }

    void holdTimeComesFromTheSettings() {
        state_.hwBtnHold.store(1000);
        RecordingDesk desk(client_);
        auto button = Make(0);
        Press(button.get(), {35, 35});
        g_now += 600;
        Release(button.get(), {35, 35});
        QCOMPARE(desk.InputUntilMark(), ButtonMessage(0, 193));
    }

    void encoderDragSteps_data() {
        QTest::addColumn<QList<QPoint>>("moves");
        QTest::addColumn<QList<int>>("keys");
        QTest::newRow("4 pixels down: nothing") << QList<QPoint>{{35, 39}} << QList<int>{};
        QTest::newRow("5 pixels down: one step") << QList<QPoint>{{35, 40}} << QList<int>{40};
        QTest::newRow("another 5 from the press point: another step")
            << QList<QPoint>{{35, 40}, {35, 40}} << QList<int>{40, 40};
        QTest::newRow("6 right and 5 up: up wins") << QList<QPoint>{{41, 30}} << QList<int>{38};
        QTest::newRow("5 left") << QList<QPoint>{{30, 35}} << QList<int>{37};
        QTest::newRow("5 right") << QList<QPoint>{{40, 36}} << QList<int>{39};
        QTest::newRow("left of the button counts as 0")
            << QList<QPoint>{{-50, 35}} << QList<int>{37};
    }
    void encoderDragSteps() {
        QFETCH(QList<QPoint>, moves);
        QFETCH(QList<int>, keys);
        RecordingDesk desk(client_);
        auto encoder = Make(kEncoderIndex);
        Press(encoder.get(), {35, 35});
        for (const QPoint& at : moves)
            Drag(encoder.get(), at);
        std::vector<uint8_t> expected;
        for (int key : keys) {
            const auto step = ButtonMessage(1, static_cast<uint16_t>(key));
            expected.insert(expected.end(), step.begin(), step.end());
        }
        // A release after a step sends nothing more; without one, the tap.
        Release(encoder.get(), {35, 35});
        if (keys.isEmpty()) {
            const auto tap = ButtonMessage(0, 134);
            expected.insert(expected.end(), tap.begin(), tap.end());
        }
        QCOMPARE(desk.InputUntilMark(), expected);
    }

    void stepPutsTheCursorBackOnThePressPoint() {
        RecordingDesk desk(client_);
        auto encoder = Make(kEncoderIndex);
        Press(encoder.get(), {30, 32});
        Drag(encoder.get(), {30, 45});
        QCOMPARE(QCursor::pos(), encoder->mapToGlobal(QPoint(30, 32)));
    }

    void doubleClickSendsTwoCodes() {
        RecordingDesk desk(client_);
        auto button = Make(0);
        Press(button.get(), {35, 35});
        Release(button.get(), {35, 35});
        Mouse(button.get(), QEvent::MouseButtonDblClick, {35, 35}, Qt::LeftButton);
        Release(button.get(), {35, 35});
        auto expected = ButtonMessage(0, 193);
        const auto second = ButtonMessage(0, 193);
        expected.insert(expected.end(), second.begin(), second.end());
        QCOMPARE(desk.InputUntilMark(), expected);
    }

    void releaseWithoutDeskSendsNothing() {
        auto button = Make(0);
        Press(button.get(), {35, 35});
        Release(button.get(), {35, 35});
        QVERIFY(!button->IsPressed());
    }
};

#include "encoder_button_test.moc"

int RunEncoderButtonTest(int argc, char** argv) {
    EncoderButtonTest test;
    return QTest::qExec(&test, argc, argv);
}
