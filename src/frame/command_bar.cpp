#include "frame/command_bar.h"

#include "frame/artwork.h"

#include <QAction>
#include <QToolButton>

namespace {
// Border around a button's image: 16-pixel images give 18-pixel buttons.
constexpr int kButtonPadding = 2;
constexpr int kSmallCell = 16;
}  // namespace

MyCCeCommandBar::MyCCeCommandBar(QWidget* parent) : QToolBar(parent) {}

bool MyCCeCommandBar::Create(QWidget* parent) {
    setParent(parent);
    setObjectName(QStringLiteral("commandBar"));
    setMovable(false);
    setFloatable(false);
    setContentsMargins(0, 0, 0, 0);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    return true;
}

bool MyCCeCommandBar::LoadToolBar(const std::vector<BarItem>& items, const QString& strip) {
    const int cells = ArtStripCells(strip);
    if (cells <= 0)
        return false;
    strip_.clear();
    for (int cell = 0; cell < cells; ++cell)
        strip_.push_back(ArtStripIcon(strip, cell));
    clear();
    imageOf_.clear();
    for (const BarItem& item : items) {
        if (item.command == 0) {
            addSeparator();
            continue;
        }
        QAction* action = addAction(QString());
        action->setData(item.command);
        imageOf_[action] = item.image;
        const int command = item.command;
        connect(action, &QAction::triggered, this, [this, command] { emit Command(command); });
    }
    ApplyImages();
    SetSizes(QSize(kSmallCell, kSmallCell),
             QSize(kSmallCell + kButtonPadding, kSmallCell + kButtonPadding));
    return true;
}

void MyCCeCommandBar::SetTooltips(const QStringList& texts) {
    int next = 0;
    for (QAction* action : actions()) {
        if (action->isSeparator())
            continue;
        action->setToolTip(next < texts.size() ? texts[next] : QString());
        ++next;
    }
}

void MyCCeCommandBar::SetSizes(QSize bitmap, QSize button) {
    // Every layout asks again; a style sheet set anew re-polishes the bar.
    if (iconSize() == bitmap && buttonSize_ == button && !styleSheet().isEmpty())
        return;
    setIconSize(bitmap);
    buttonSize_ = button;
    // Flat and tight, so all twelve buttons fit the handheld's screen width.
    setStyleSheet(QStringLiteral("QToolBar { border: 0px; padding: 0px; spacing: 0px; }"
                                 "QToolButton { padding: 0px; margin: 0px; border: 0px;"
                                 " min-width: %1px; max-width: %1px;"
                                 " min-height: %2px; max-height: %2px; }"
                                 // A mode that is on shows as a lit, framed button.
                                 "QToolButton:checked { background: #bcd4f0;"
                                 " border: 1px solid #2f63a8; border-radius: 2px; }")
                      .arg(button.width())
                      .arg(button.height()));
}

QSize MyCCeCommandBar::ButtonSize() const {
    return buttonSize_;
}

void MyCCeCommandBar::ReplaceImage(int image, const QIcon& icon) {
    const auto it = replaced_.find(image);
    if (it != replaced_.end() && it->second.cacheKey() == icon.cacheKey())
        return;
    replaced_[image] = icon;
    ApplyImages();
}

void MyCCeCommandBar::ReplaceImage(int image, const QString& art) {
    auto it = artIcons_.find(art);
    if (it == artIcons_.end())
        it = artIcons_.emplace(art, ArtIcon(art)).first;
    ReplaceImage(image, it->second);
}

QIcon MyCCeCommandBar::ImageIcon(int image) const {
    if (auto it = replaced_.find(image); it != replaced_.end())
        return it->second;
    return StripIcon(image);
}

QIcon MyCCeCommandBar::StripIcon(int image) const {
    if (image >= 0 && image < static_cast<int>(strip_.size()))
        return strip_[static_cast<size_t>(image)];
    return {};
}

void MyCCeCommandBar::ApplyImages() {
    for (auto& [action, image] : imageOf_)
        action->setIcon(ImageIcon(image));
}

QAction* MyCCeCommandBar::Action(int command) const {
    for (QAction* action : actions()) {
        if (!action->isSeparator() && action->data().toInt() == command)
            return action;
    }
    return nullptr;
}

int MyCCeCommandBar::CommandToIndex(int command) const {
    const QList<QAction*> list = actions();
    for (int i = 0; i < list.size(); ++i) {
        if (!list[i]->isSeparator() && list[i]->data().toInt() == command)
            return i;
    }
    return -1;
}

int MyCCeCommandBar::CommandAt(int index) const {
    const QList<QAction*> list = actions();
    if (index < 0 || index >= list.size() || list[index]->isSeparator())
        return 0;
    return list[index]->data().toInt();
}

int MyCCeCommandBar::ItemCount() const {
    return static_cast<int>(actions().size());
}

void MyCCeCommandBar::MoveButton(int from, int to) {
    QList<QAction*> list = actions();
    if (from < 0 || from >= list.size() || to < 0 || to >= list.size() || from == to)
        return;
    QAction* moving = list[from];
    removeAction(moving);
    list.removeAt(from);
    if (to >= list.size()) {
        addAction(moving);
    } else {
        insertAction(list[to], moving);
    }
}

void MyCCeCommandBar::EnableButton(int command, bool enable) {
    if (QAction* action = Action(command))
        action->setEnabled(enable);
}

bool MyCCeCommandBar::IsButtonEnabled(int command) const {
    const QAction* action = Action(command);
    return action != nullptr && action->isEnabled();
}

const std::vector<BarItem>& MainBarItems() {
    static const std::vector<BarItem> items = {
        {kCmdViews, 0},      {kCmdCursorResolution, 1},
        {kCmdRefresh, 2},    {0, -1},
        {kCmdDeskSwitch, 3}, {kCmdChat, 4},
        {kCmdSettings, 5},   {kCmdVersion, 6},
        {kCmdHelp, 7},       {kCmdShortcutMode, 8},
        {kCmdKeyboard, 9},   {kCmdPrevious, 10},
        {kCmdNext, 11},
    };
    return items;
}

QStringList MainBarTooltips() {
    return {QStringLiteral("Views"),
            QStringLiteral("Cursor Resolution"),
            QStringLiteral("Refresh Screen"),
            QStringLiteral("Available Desks / Control Desk"),
            QStringLiteral("Chat"),
            QStringLiteral("Settings"),
            QStringLiteral("Versioninfo"),
            QStringLiteral("Help"),
            QString(),
            QStringLiteral("Keyboard")};
}
