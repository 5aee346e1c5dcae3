#include "settings/settings_help.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "frame/command_bar.h"

CSettingsHelp::CSettingsHelp(QWidget* parent, const QString& text) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Settings"));
    setModal(true);
    text_ = new QLabel(text, this);
    text_->setObjectName(QStringLiteral("helpText"));
    text_->setTextFormat(Qt::PlainText);
    text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* bar = new MyCCeCommandBar(this);
    bar->Create(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 0);
    layout->addWidget(text_, 1);
    layout->addWidget(buttons);
    layout->addWidget(bar);
}

QString CSettingsHelp::Text() const {
    return text_->text();
}

void SettingsPage::ShowHelp() {
    CSettingsHelp help(this, HelpText());
    help.exec();
}
