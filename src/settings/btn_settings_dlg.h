#pragma once
// The "Buttons" page: which buttons' hold time the slider edits, the slider
// from "Short" (200 ms) to "Long" (1000 ms), and the desk's cursor option,
// which can be changed only while a session is open. A slider value is
// taken when its move ends (release, or a step by key, click or wheel),
// never while it is dragged. GUI thread only.

#include "settings/settings_help.h"

class ButtonSettings;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

class CBtnSettingsDlg : public SettingsPage {
    Q_OBJECT
  public:
    // sessionOpen: whether the cursor option can be changed.
    CBtnSettingsDlg(ButtonSettings& model, bool sessionOpen, QWidget* parent = nullptr);

    QString Caption() const override;
    QString HelpText() const override;

  private:
    void OnKindClicked(int kind);
    void ShowPosition();

    ButtonSettings& model_;
    QButtonGroup* kinds_ = nullptr;
    QLabel* holdLabel_ = nullptr;
    QSlider* slider_ = nullptr;
    QCheckBox* cursorOption_ = nullptr;
    QPushButton* teach_ = nullptr;
};
