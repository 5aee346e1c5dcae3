#include "controls/keyboard_dialog.h"

#include <QFontInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "controls/keyboard_painter.h"
#include "input/key_state.h"
#include "input/virtual_keys.h"

CKeyboardDialog::CKeyboardDialog(QWidget* parent, DeskInputSink& sink, KeyState& keys)
    : QDialog(parent), input_(sink, keys) {
    setObjectName(QStringLiteral("keyboard"));
    setWindowTitle(QStringLiteral("Kel Remote Keyboard"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    // Shift and Caps Lock show their state on their keys, whoever changed it.
    connect(&keys, &KeyState::Changed, this, qOverload<>(&QWidget::update));
    fontPixelSize_ = QFontInfo(font()).pixelSize();
    resize(kDefaultWidth, kDefaultHeight);
    input_.Resize(size());
    FitFont();
}

CKeyboardDialog::~CKeyboardDialog() = default;

// The keys' characters shrink with the rows, so two of them fit a key.
void CKeyboardDialog::FitFont() {
    QFont keys = font();
    keys.setPixelSize(KeyFontPixelSize(input_.Metrics().rowHeight, fontPixelSize_));
    setFont(keys);
}

void CKeyboardDialog::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRegion(event->region());
    PaintKeyboardBackground(painter, rect());
    painter.setFont(font());
    for (const PlacedKey& key : input_.Keys()) {
        PaintKey(painter, palette(), input_.Definition(key), key.rect, input_.ShownInverted(key));
    }
}

void CKeyboardDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    input_.Resize(size());
    FitFont();
    update();
}

void CKeyboardDialog::TapAt(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (input_.Tap(event->position().toPoint()))
        update();
}

void CKeyboardDialog::mousePressEvent(QMouseEvent* event) {
    TapAt(event);
}

// The second press of a double click has already tapped as a press of its
// own; the double click adds nothing.
void CKeyboardDialog::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

void CKeyboardDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QRect shown = input_.ReleasePointer();
    if (!shown.isEmpty())
        update(shown);
}

// Enter and Esc end the dialog; no other key-down reaches the desk.
void CKeyboardDialog::keyPressEvent(QKeyEvent* event) {
    event->accept();
    if (event->key() == Qt::Key_Escape) {
        reject();
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
    }
}

void CKeyboardDialog::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    if (event->isAutoRepeat())
        return;  // only the final release of a held key
    const uint16_t vk =
        VirtualKeyFromQtKey(event->key(), event->modifiers(), event->nativeVirtualKey());
    if (vk != 0)
        input_.ForwardKeyUp(vk);
}
