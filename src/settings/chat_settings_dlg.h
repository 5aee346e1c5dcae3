#pragma once
// The "Chat" page: signalling of new chat messages and its repetition.
// "Repeat Signal" follows "Signaling New Messages": disabled while that is
// off, with its own mark kept. GUI thread only.

#include "settings/settings_help.h"

class ChatSettings;
class QCheckBox;

class CChatSettingsDlg : public SettingsPage {
    Q_OBJECT
  public:
    explicit CChatSettingsDlg(ChatSettings& model, QWidget* parent = nullptr);

    QString Caption() const override;
    QString HelpText() const override;

  private:
    ChatSettings& model_;
    QCheckBox* signal_ = nullptr;
    QCheckBox* repeat_ = nullptr;
};
