#include "settings/ip_settings_dlg.h"

#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "settings/settings_model.h"

CIPSettingsDlg::CIPSettingsDlg(OwnAddressSettings& model, QWidget* parent)
    : SettingsPage(parent), model_(model) {
    auto* title = new QLabel(QStringLiteral("Current IPs on the PDA:"), this);
    title->setTextFormat(Qt::PlainText);
    noAddresses_ = new QLabel(QStringLiteral("No own IP addresses"), this);
    noAddresses_->setObjectName(QStringLiteral("noAddresses"));
    noAddresses_->setTextFormat(Qt::PlainText);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(noAddresses_);
    if (model_.Available()) {
        noAddresses_->hide();
        list_ = new QListWidget(this);
        list_->setObjectName(QStringLiteral("ipList"));
        list_->setSelectionMode(QAbstractItemView::SingleSelection);
        for (const std::string& entry : model_.Entries())
            list_->addItem(QString::fromStdString(entry));
        list_->setCurrentRow(model_.Selected());
        connect(list_, &QListWidget::currentRowChanged, this, &CIPSettingsDlg::OnSelectionChanged);
        layout->addWidget(list_, 1);
    } else {
        layout->addStretch(1);
    }
}

QString CIPSettingsDlg::Caption() const {
    return QStringLiteral("Current IPs");
}

QString CIPSettingsDlg::HelpText() const {
    return QStringLiteral("Select the current IP address.");
}

void CIPSettingsDlg::OnSelectionChanged(int row) {
    const int shown = model_.SelectionChanged(row);
    if (shown != row) {
        // Putting the previous entry back is not another pick.
        const QSignalBlocker quiet(list_);
        list_->setCurrentRow(shown);
    }
}
