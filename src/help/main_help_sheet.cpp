#include "help/main_help_sheet.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>

#include "frame/artwork.h"
#include "frame/command_bar.h"

namespace {

constexpr int kIconSize = 32;

const char* const kConnectedIcon = "desk_connected";
const char* const kNotConnectedIcon = "desk_not_connected";

QLabel* TextLabel(const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QWidget* BuildPage(const HelpPageContent& content) {
    auto* page = new QWidget;
    auto* layout = new QGridLayout(page);
    int row = 0;
    for (const HelpParagraph& paragraph : content.paragraphs) {
        if (paragraph.icon != nullptr) {
            auto* icon = new QLabel(page);
            icon->setObjectName(QStringLiteral("helpIcon"));
            icon->setPixmap(ArtPixmap(QString::fromLatin1(paragraph.icon),
                                      QSize(kIconSize, kIconSize), qGuiApp->devicePixelRatio()));
            icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            layout->addWidget(icon, row, 0);
            layout->addWidget(TextLabel(paragraph.text, page), row, 1);
        } else {
            layout->addWidget(TextLabel(paragraph.text, page), row, 0, 1, 2);
        }
        ++row;
    }
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(row, 1);
    return page;
}

}  // namespace

const std::vector<HelpPageContent>& MainHelpPages(bool remoteView) {
    static const std::vector<HelpPageContent> deskList = {
        {"",
         {{nullptr,
           "The image list shows all available desks\nin the network. The title of each "
           "entry\nshows the IP-address, the name, the\ntype and the version of the "
           "underlying\ndesk."},
          {kNotConnectedIcon,
           "This symbol means, that you are not connected with this desk. You can start a "
           "connection by clicking on the icon."},
          {kConnectedIcon,
           "This symbol means, that you are connected with this desk. You can stop the current "
           "connection by clicking on the icon."}}},
    };
    static const std::vector<HelpPageContent> remote = {
        {"Hardware Buttons",
         {{nullptr,
           "When you are connected to a desk\nand logged in, the hardware buttons\nhave context "
           "sensitive functions\ndescribed in the register cards\nProgram Button 1 - Program "
           "Button 4:"}}},
        {"Program Button 1", {{nullptr, "Opens a Selection of the different\navailable views."}}},
        {"Program Button 2", {{nullptr, "Changes the Cursor Resolution."}}},
        {"Cursor Button",
         {{nullptr,
           "Scrolling or changing values in order of\nthe current context.\n\nPressing the "
           "center button while the\nfocus is on a column of a grid and\n'Cursor Scroll' is "
           "active, it is like\npushing the right mouse button."},
          {nullptr, "So context sensitive dialogs like i.e. the calculator will appear."},
          {nullptr,
           "Pressing the center button while one of\nthe views Command1, Command2 "
           "or\nFixture/Channelsheet (state 'Cursor\nValues') is active, the next "
           "parameter\nof the current feature will be activated."}}},
        {"Program Button 3", {{nullptr, "Brings the Command 1 or\nCommand 2 view to the top."}}},
        {"Program Button 4",
         {{nullptr,
           "Push = Next;\nHold = Selection of\n          - Previous\n          - Odd\n          "
           "- Even\n          - All"},
          {nullptr,
           "This functionality is only available in the following views:\n          - "
           "Command 1\n          - Command 2\n          - Time\n          - Fixtures / "
           "Channel\n          - Presets / Groups"}}},
    };
    return remoteView ? remote : deskList;
}

CMainHelpSheet::CMainHelpSheet(bool remoteView, QWidget* parent)
    : PropertySheet(QStringLiteral("Help"), parent) {
    setObjectName(QStringLiteral("helpSheet"));
    for (const HelpPageContent& content : MainHelpPages(remoteView))
        AddPage(BuildPage(content), QString::fromLatin1(content.caption));
    SetActivePage(0);
    HideHelpButton();
}
