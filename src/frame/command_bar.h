#pragma once
// The flat bar of small image buttons along the bottom of a handheld-style
// window. The main frame's bar carries thirteen items (twelve buttons and a
// separator); each button reports its command id when clicked.
// GUI thread only.

#include <QIcon>
#include <QStringList>
#include <QToolBar>
#include <map>
#include <vector>

#include "input/command_ids.h"

// One item of a bar: a command with an image from the strip, or a separator
// (command 0).
struct BarItem {
    int command;
    int image;
};

class MyCCeCommandBar : public QToolBar {
    Q_OBJECT
  public:
    explicit MyCCeCommandBar(QWidget* parent = nullptr);

    // Sets up an empty bar for the parent; true on success.
    bool Create(QWidget* parent);
    // Fills the bar with items whose images are cells of the strip of square
    // images (an artwork name, see artwork.h), at 16 pixels. False if the
    // strip cannot be loaded.
    bool LoadToolBar(const std::vector<BarItem>& items, const QString& strip);
    // Tooltips for the buttons in bar order, separators skipped; buttons
    // beyond the list get none.
    void SetTooltips(const QStringList& texts);

    // Image size and button size of every button; the images are drawn
    // for the size (and the screen's scale), never scaled bitmaps.
    void SetSizes(QSize bitmap, QSize button);
    QSize ButtonSize() const;

    // Replaces one image of the strip.
    void ReplaceImage(int image, const QIcon& icon);
    // The same with an artwork's icon, made once per name: a new icon each
    // time would leave new pixmaps in Qt's pixmap cache each time.
    void ReplaceImage(int image, const QString& art);
    QIcon ImageIcon(int image) const;
    // The strip's own image, whatever replaces it.
    QIcon StripIcon(int image) const;

    QAction* Action(int command) const;
    int CommandToIndex(int command) const;  // -1 when not on the bar
    int CommandAt(int index) const;         // 0 for a separator or out of range
    int ItemCount() const;
    void MoveButton(int from, int to);
    void EnableButton(int command, bool enable);
    bool IsButtonEnabled(int command) const;

  signals:
    void Command(int command);

  private:
    void ApplyImages();

    std::vector<QIcon> strip_;
    QSize buttonSize_;
    std::map<int, QIcon> replaced_;
    std::map<QString, QIcon> artIcons_;
    std::map<QAction*, int> imageOf_;
};

// Items of the main frame's bar, in bar order.
const std::vector<BarItem>& MainBarItems();
// Tooltips of the main frame's bar (ten texts).
QStringList MainBarTooltips();
