#include "controls/encoder_btn.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <cstdlib>

#include "app/handheld_geometry.h"
#include "controls/encoder_regions.h"
#include "frame/artwork.h"
#include "input/command_ids.h"
#include "input/desk_input_sink.h"
#include "platform/tick.h"
#include "session/session_state.h"

namespace {

constexpr int kStepDistance = 5;  // pixels of drag per cursor step
constexpr int kPressedImageDelay = 500;
constexpr int kPressTimerPeriod = 50;

constexpr int kButtonCodes[kEncoderButtonCount] = {kKeyViews, kKeyCursorResolution,
                                                   kKeyEncoderCentre, kKeyCommand, kKeyNext};

}  // namespace

int EncoderButtonCode(int index) {
    return index >= 0 && index < kEncoderButtonCount ? kButtonCodes[index] : 0;
}

EncoderBtn::EncoderBtn(QPoint position, int size, int index, QWidget* parent, const QString& label,
                       DeskInputSink& desk, SessionState& state)
    : QWidget(parent), desk_(desk), state_(state), index_(index), label_(label) {
    setObjectName(QStringLiteral("button%1").arg(500 + index));
    // The skin shows around the round button.
    setAttribute(Qt::WA_TranslucentBackground);
    SetGeometry(position.x(), position.y(), size, size);
}

EncoderBtn::~EncoderBtn() {
    pressTimer_.stop();
}

void EncoderBtn::SetGeometry(int x, int y, int width, int height) {
    large_ = state_.bigsize.load() >= static_cast<int>(kBigSizeLargeButtons);
    const ButtonShape shape =
        index_ == kEncoderIndex ? EncoderShape(large_) : PushButtonShape(large_);
    outline_ = shape.outline;
    arrows_ = shape.arrows;
    setGeometry(x, y, width, height);
    raise();
    show();
}

bool EncoderBtn::Inside(QPoint point) const {
    return QRegion(outline_, QRegion::Ellipse).contains(point);
}

void EncoderBtn::mousePressEvent(QMouseEvent* event) {
    if (!Inside(event->position().toPoint())) {
        event->ignore();  // the skin around the button
        return;
    }
    if (event->button() == Qt::LeftButton)
        Press(event->position().toPoint());
}

// A double click counts as a second press, so it sends a second code.
void EncoderBtn::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!Inside(event->position().toPoint())) {
        event->ignore();
        return;
    }
    if (event->button() == Qt::LeftButton)
        Press(event->position().toPoint());
}

void EncoderBtn::Press(QPoint point) {
    pressed_ = true;
    pressPoint_ = point;
    state_.pressTick = GetTickCount();
    if (index_ != kEncoderIndex) {
        update();
        return;
    }
    // The encoder shows its pressed image only once a press has lasted
    // longer than half a second, so quick taps and drags do not flicker.
    if (!pressTimer_.isActive())
        pressTimer_.start(kPressTimerPeriod, this);
}

void EncoderBtn::timerEvent(QTimerEvent* event) {
    if (event->timerId() != pressTimer_.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    if (GetTickCount() - state_.pressTick > static_cast<uint32_t>(kPressedImageDelay)) {
        update();
        pressTimer_.stop();
    }
}

int EncoderBtn::StepDirection(QPoint point) const {
    // While the mouse is captured, points left of or above the button count
    // as 0.
    const int x = std::max(0, point.x());
    const int y = std::max(0, point.y());
    const int dy = y - pressPoint_.y();
    if (std::abs(dy) >= kStepDistance)
        return dy >= 0 ? kKeyDown : kKeyUp;
    const int dx = x - pressPoint_.x();
    if (std::abs(dx) >= kStepDistance)
        return dx >= 0 ? kKeyRight : kKeyLeft;
    return kNoStep;
}

void EncoderBtn::mouseMoveEvent(QMouseEvent* event) {
    if (index_ != kEncoderIndex || !(event->buttons() & Qt::LeftButton))
        return;
    const int direction = StepDirection(event->position().toPoint());
    if (direction != kNoStep)
        Step(direction);
}

void EncoderBtn::Step(int direction) {
    // Back onto the press point, so every further 5 pixels give another step.
    QCursor::setPos(mapToGlobal(pressPoint_));
    pressed_ = false;
    // Sent even without a desk; the session drops it then.
    desk_.SendButton(1, static_cast<uint16_t>(direction));
    // The arrow stays until the next repaint.
    direction_ = direction;
    repaint();
    direction_ = kNoStep;
}

void EncoderBtn::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (pressed_) {
        if (desk_.SessionOpen()) {
            const uint32_t elapsed = GetTickCount() - state_.pressTick;
            const uint8_t isLong = elapsed > state_.hwBtnHold.load() ? 1 : 0;
            desk_.SendButton(isLong, static_cast<uint16_t>(EncoderButtonCode(index_)));
        }
        pressed_ = false;
    }
    repaint();
}

const QPolygon* EncoderBtn::ArrowFor(int direction) const {
    switch (direction) {
        case kKeyLeft:
            return &arrows_[0];
        case kKeyRight:
            return &arrows_[1];
        case kKeyUp:
            return &arrows_[2];
        case kKeyDown:
            return &arrows_[3];
        default:
            return nullptr;
    }
}

QString EncoderBtn::FaceName(bool pressed) const {
    const QString size = large_ ? QStringLiteral("big") : QStringLiteral("small");
    return pressed ? QStringLiteral("button_pressed_") + size
                   : QStringLiteral("button_face_") + size;
}

void EncoderBtn::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal ratio = devicePixelRatioF();
    QPainterPath round;
    round.addEllipse(QRectF(outline_));
    painter.fillPath(round, QBrush(ArtPixmap(FaceName(pressed_), size(), ratio)));
    if (index_ == kEncoderIndex && !pressed_) {
        const QPolygon* arrow = ArrowFor(direction_);
        if (arrow != nullptr && !arrow->isEmpty()) {
            QPainterPath path;
            path.addPolygon(QPolygonF(*arrow));
            path.closeSubpath();
            painter.fillPath(path, QBrush(ArtPixmap(QStringLiteral("encoder_highlight"),
                                                    QSize(176, 146), ratio)));
        }
        return;
    }
    if (state_.bigsize.load() == static_cast<int>(kBigSizeLargeButtons)) {
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(20);
        painter.setFont(font);
    }
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, label_);
}
