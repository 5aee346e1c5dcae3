#pragma once
// The "Help" sheet of the main frame. With the desk list shown it has one
// page (no tab caption) explaining the list and its two desk icons; with the
// remote screen shown it has six pages explaining the handheld's buttons.
// Static text only; the sheet changes nothing and has no Help button.
// GUI thread only.

#include <vector>

#include "frame/property_sheet.h"

// One paragraph of a help page, with an optional icon beside it.
struct HelpParagraph {
    const char* icon;  // resource path, or null
    const char* text;
};

struct HelpPageContent {
    const char* caption;
    std::vector<HelpParagraph> paragraphs;
};

// The pages for the remote screen (remoteView) or the desk list.
const std::vector<HelpPageContent>& MainHelpPages(bool remoteView);

class CMainHelpSheet : public PropertySheet {
    Q_OBJECT
  public:
    // remoteView: the remote screen is shown (the desk list is hidden).
    CMainHelpSheet(bool remoteView, QWidget* parent);
};
