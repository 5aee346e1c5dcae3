#include "frame/connecting_panel.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/winsock.h"

ConnectingPanel::ConnectingPanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("connectingPanel"));
    // Set off from the white list it covers, so the wait is plain to see.
    setAutoFillBackground(true);
    QPalette shade = palette();
    shade.setColor(QPalette::Window, QColor(0xE4, 0xEA, 0xF2));
    setPalette(shade);
    setFrameShape(QFrame::Box);
    // Clicks on the notice are not taps on the remote screen below it.
    setAttribute(Qt::WA_NoMousePropagation);
    text_ = new QLabel(this);
    text_->setTextFormat(Qt::PlainText);
    text_->setAlignment(Qt::AlignCenter);
    text_->setWordWrap(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancelConnect"));
    connect(cancel_, &QPushButton::clicked, this, &ConnectingPanel::CancelRequested);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(text_);
    layout->addWidget(cancel_, 0, Qt::AlignHCenter);
    layout->addStretch();
    hide();
}

void ConnectingPanel::ShowFor(uint32_t desk) {
    text_->setText(
        QStringLiteral("Connecting to %1\u2026").arg(QString::fromStdString(Ipv4ToText(desk))));
    raise();
    show();
    // Space or Enter cancels, as the button has the focus.
    cancel_->setFocus();
}

QString ConnectingPanel::Text() const {
    return text_->text();
}
