// The chat dialog's help: one icon and one sentence for each action.

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>

#include "chat/chat_dialog.h"
#include "frame/artwork.h"

namespace {

// 108 by 129 dialog units.
constexpr QSize kHelpSize(162, 210);

void AddRow(QGridLayout& grid, int row, const char* icon, const char* text, QWidget* parent) {
    auto* image = new QLabel(parent);
    image->setPixmap(
        ArtPixmap(QString::fromLatin1(icon), QSize(32, 32), qGuiApp->devicePixelRatio()));
    image->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    grid.addWidget(image, row, 0);
    grid.addWidget(label, row, 1);
}

}  // namespace

CChatHelp::CChatHelp(QWidget* parent) : QDialog(parent) {
    EnsureArtwork();
    setObjectName(QStringLiteral("chatHelp"));
    setWindowTitle(QStringLiteral("Chat Help"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(16);
    AddRow(*grid, 0, "chat_help_send",
           "Send the message\nyou've created in\nthe 'New Message'\nedit field.", this);
    AddRow(*grid, 1, "chat_help_clear", "Clear the entries in\nthe 'Chat History'\nfield.", this);
    grid->setRowStretch(2, 1);
    resize(kHelpSize);
}
