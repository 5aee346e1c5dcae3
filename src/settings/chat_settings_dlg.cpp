#include "settings/chat_settings_dlg.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include "settings/settings_model.h"

CChatSettingsDlg::CChatSettingsDlg(ChatSettings& model, QWidget* parent)
    : SettingsPage(parent), model_(model) {
    signal_ = new QCheckBox(QStringLiteral("Signaling New Messages"), this);
    signal_->setObjectName(QStringLiteral("signal"));
    signal_->setChecked(model_.signal);
    repeat_ = new QCheckBox(QStringLiteral("Repeat Signal"), this);
    repeat_->setObjectName(QStringLiteral("repeat"));
    repeat_->setChecked(model_.repeat);
    repeat_->setEnabled(model_.RepeatEnabled());

    connect(signal_, &QCheckBox::toggled, this, [this](bool on) {
        model_.signal = on;
        repeat_->setEnabled(model_.RepeatEnabled());
    });
    connect(repeat_, &QCheckBox::toggled, this, [this](bool on) { model_.repeat = on; });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(signal_);
    layout->addWidget(repeat_);
    layout->addStretch(1);
}

QString CChatSettingsDlg::Caption() const {
    return QStringLiteral("Chat");
}

QString CChatSettingsDlg::HelpText() const {
    return QStringLiteral(
        "If 'Signaling New Messages'\nis checked, every incoming chat\nmessage is prompted "
        "by\na signal.\n\nIf 'Repeat Signal' is checked,\nthe signal for incoming\nmessages is "
        "repeated every\n5 seconds until you've read\nthe message.\n\nNote that signaling "
        "depends on your\nOS settings.");
}
