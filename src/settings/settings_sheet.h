#pragma once
// The "Settings" sheet: the pages "Buttons", "Chat" and "Current IPs" over
// one SettingsModel, a command bar with its "Help" button, and the sheet's
// OK, Cancel and Help buttons. OK confirms the model and closes; Cancel and
// the close box close without a change. Both help commands show the active
// page's help. GUI thread only.

#include <memory>

#include "frame/property_sheet.h"
#include "settings/settings_model.h"

class SettingsPage;

class CSettingsSheet : public PropertySheet {
    Q_OBJECT
  public:
    // state and input must outlive the sheet.
    CSettingsSheet(QWidget* parent, SessionState& state, DeskInputSink& input, SettingsHooks hooks);
    ~CSettingsSheet() override;

    SettingsModel& Model() { return *model_; }
    SettingsPage* SettingsPageAt(int index) const;

    void OnCommand(int command) override;

  private:
    void CreateCommandBar();

    std::unique_ptr<SettingsModel> model_;
};
