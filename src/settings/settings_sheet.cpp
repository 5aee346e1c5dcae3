#include "settings/settings_sheet.h"

#include "frame/command_bar.h"
#include "input/desk_input_sink.h"
#include "platform/message_box.h"
#include "settings/btn_settings_dlg.h"
#include "settings/chat_settings_dlg.h"
#include "settings/ip_settings_dlg.h"

namespace {

// The sheet's bar carries the main bar's help image.
const char kStrip[] = "toolbar";
constexpr int kHelpImage = 7;

}  // namespace

CSettingsSheet::CSettingsSheet(QWidget* parent, SessionState& state, DeskInputSink& input,
                               SettingsHooks hooks)
    : PropertySheet(QStringLiteral("Settings"), parent),
      model_(std::make_unique<SettingsModel>(state, input, std::move(hooks))) {
    setObjectName(QStringLiteral("settingsSheet"));
    const bool sessionOpen = input.SessionOpen();
    for (SettingsPage* page : std::initializer_list<SettingsPage*>{
             new CBtnSettingsDlg(model_->Buttons(), sessionOpen),
             new CChatSettingsDlg(model_->Chat()), new CIPSettingsDlg(model_->Address())}) {
        AddPage(page, page->Caption());
    }
    SetActivePage(0);
    CreateCommandBar();
}

CSettingsSheet::~CSettingsSheet() {
    // The pages refer to the model: they go before it.
    for (int i = PageCount() - 1; i >= 0; --i)
        delete Page(i);
}

void CSettingsSheet::CreateCommandBar() {
    MyCCeCommandBar& bar = CommandBar();
    bar.LoadToolBar({{kCmdSettingsHelp, kHelpImage}}, QString::fromLatin1(kStrip));
    bar.SetTooltips({QStringLiteral("Help")});
}

SettingsPage* CSettingsSheet::SettingsPageAt(int index) const {
    return qobject_cast<SettingsPage*>(Page(index));
}

void CSettingsSheet::OnCommand(int command) {
    switch (command) {
        case IDOK:
            model_->Confirm();
            accept();
            break;
        case kCmdHelpButton:
        case kCmdSettingsHelp:
            if (SettingsPage* page = SettingsPageAt(ActiveIndex()))
                page->ShowHelp();
            break;
        default:
            PropertySheet::OnCommand(command);
            break;
    }
}
