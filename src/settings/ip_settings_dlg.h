#pragma once
// The "Current IPs" page: the own addresses the operator may pick, the
// stored one preselected. While a session is open every pick is refused
// and the previous entry comes back. GUI thread only.

#include "settings/settings_help.h"

class OwnAddressSettings;
class QLabel;
class QListWidget;

class CIPSettingsDlg : public SettingsPage {
    Q_OBJECT
  public:
    explicit CIPSettingsDlg(OwnAddressSettings& model, QWidget* parent = nullptr);

    QString Caption() const override;
    QString HelpText() const override;

  private:
    void OnSelectionChanged(int row);

    OwnAddressSettings& model_;
    QLabel* noAddresses_ = nullptr;
    QListWidget* list_ = nullptr;  // null when nothing is offered
};
