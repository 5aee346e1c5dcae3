#include "session/reconnect_dialog.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "frame/artwork.h"
#include "frame/command_bar.h"
#include "platform/message_box.h"
#include "session/lost_connection.h"

namespace {
constexpr int kTickMs = 1000;
}

CReconnectDlg::CReconnectDlg(uint32_t desk, QWidget* parent) : QDialog(parent), desk_(desk) {
    EnsureArtwork();
    setObjectName(QStringLiteral("reconnectDialog"));
    setWindowTitle(QStringLiteral("Dialog"));
    setModal(true);

    message_ = new QLabel(QString::fromStdString(LostConnectionMessage(desk)), this);
    message_->setObjectName(QStringLiteral("message"));
    message_->setTextFormat(Qt::PlainText);
    message_->setAlignment(Qt::AlignCenter);
    time_ = new QLabel(this);  // empty until the first tick
    time_->setObjectName(QStringLiteral("elapsed"));
    time_->setAlignment(Qt::AlignCenter);
    attempt_ = new QLabel(this);
    attempt_->setObjectName(QStringLiteral("attempt"));
    attempt_->setTextFormat(Qt::PlainText);
    attempt_->setWordWrap(true);
    attempt_->setAlignment(Qt::AlignCenter);
    attempt_->hide();
    auto* icon = new QLabel(this);
    icon->setPixmap(
        ArtPixmap(QStringLiteral("lost_connection"), QSize(32, 32), qGuiApp->devicePixelRatio()));
    icon->setAlignment(Qt::AlignCenter);
    auto* abort = new QPushButton(QStringLiteral("Abort"), this);
    abort->setObjectName(QStringLiteral("abort"));
    connect(abort, &QPushButton::clicked, this, &QDialog::reject);
    auto* bar = new MyCCeCommandBar(this);
    bar->Create(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message_);
    layout->addWidget(time_);
    layout->addWidget(attempt_);
    layout->addWidget(icon);
    layout->addWidget(abort, 0, Qt::AlignHCenter);
    layout->addWidget(bar);

    connect(&timer_, &QTimer::timeout, this, &CReconnectDlg::Tick);
    timer_.start(kTickMs);
}

void CReconnectDlg::Tick() {
    time_->setText(QString::fromStdString(ElapsedText(elapsed_++)));
}

void CReconnectDlg::ShowAttemptFailed(const QString& reason) {
    attempt_->setText(reason);
    attempt_->setVisible(!reason.isEmpty());
}

QString CReconnectDlg::MessageText() const {
    return message_->text();
}

QString CReconnectDlg::ElapsedShown() const {
    return time_->text();
}

QString CReconnectDlg::AttemptShown() const {
    return attempt_->isVisible() ? attempt_->text() : QString();
}

int CReconnectDlg::ResultOf(int finished) {
    // Esc and the close box reject: the operator gave up.
    return finished == QDialog::Rejected ? IDCANCEL : finished;
}
