#pragma once
// A modal window of pages behind tabs with OK, Cancel and Help buttons and a
// command bar along its bottom edge, as the station's sheets (settings, help)
// show them. A tab bar is shown only with more than one page. Buttons and
// bar report their commands to OnCommand. GUI thread only.

#include <QDialog>
#include <QString>

#include "input/command_ids.h"

class MyCCeCommandBar;
class QDialogButtonBox;
class QPushButton;
class QTabWidget;

class PropertySheet : public QDialog {
    Q_OBJECT
  public:
    PropertySheet(const QString& caption, QWidget* parent);

    // Adds a page behind a tab with the caption; the sheet owns the page.
    void AddPage(QWidget* page, const QString& caption);
    int PageCount() const;
    QWidget* Page(int index) const;
    QString PageCaption(int index) const;
    int ActiveIndex() const;
    void SetActivePage(int index);

    MyCCeCommandBar& CommandBar() { return *bar_; }
    // The sheet's own Help button (command kCmdHelpButton).
    QPushButton* HelpButton() const;
    void HideHelpButton();

    // OK (IDOK) accepts, Cancel (IDCANCEL) rejects; others do nothing here.
    virtual void OnCommand(int command);

  private:
    QTabWidget* tabs_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    MyCCeCommandBar* bar_ = nullptr;
};
