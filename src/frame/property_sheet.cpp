#include "frame/property_sheet.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "frame/artwork.h"
#include "frame/command_bar.h"
#include "platform/message_box.h"

PropertySheet::PropertySheet(const QString& caption, QWidget* parent) : QDialog(parent) {
    EnsureArtwork();
    setWindowTitle(caption);
    setModal(true);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("pages"));
    tabs_->setTabBarAutoHide(true);
    tabs_->setUsesScrollButtons(true);

    buttons_ = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    connect(buttons_, &QDialogButtonBox::accepted, this, [this] { OnCommand(IDOK); });
    connect(buttons_, &QDialogButtonBox::rejected, this, [this] { OnCommand(IDCANCEL); });
    connect(buttons_, &QDialogButtonBox::helpRequested, this,
            [this] { OnCommand(kCmdHelpButton); });

    bar_ = new MyCCeCommandBar(this);
    bar_->Create(this);
    connect(bar_, &MyCCeCommandBar::Command, this, &PropertySheet::OnCommand);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->addWidget(tabs_, 1);
    layout->addWidget(buttons_);
    layout->addWidget(bar_);
}

void PropertySheet::AddPage(QWidget* page, const QString& caption) {
    tabs_->addTab(page, caption);
}

int PropertySheet::PageCount() const {
    return tabs_->count();
}

QWidget* PropertySheet::Page(int index) const {
    return tabs_->widget(index);
}

QString PropertySheet::PageCaption(int index) const {
    return tabs_->tabText(index);
}

int PropertySheet::ActiveIndex() const {
    return tabs_->currentIndex();
}

void PropertySheet::SetActivePage(int index) {
    tabs_->setCurrentIndex(index);
}

QPushButton* PropertySheet::HelpButton() const {
    return buttons_->button(QDialogButtonBox::Help);
}

void PropertySheet::HideHelpButton() {
    if (QPushButton* help = HelpButton())
        help->hide();
}

void PropertySheet::OnCommand(int command) {
    if (command == IDOK) {
        accept();
    } else if (command == IDCANCEL) {
        reject();
    }
}
