#pragma once
// The settings pages' help: a small modal window with one text and an empty
// command bar, and the page base that shows it. GUI thread only.

#include <QDialog>
#include <QString>
#include <QWidget>

class QLabel;

class CSettingsHelp : public QDialog {
    Q_OBJECT
  public:
    // Shows the text (as plain text) below a "Settings" caption.
    CSettingsHelp(QWidget* parent, const QString& text);
    QString Text() const;

  private:
    QLabel* text_ = nullptr;
};

// A page of the settings sheet: it has a caption and a help text.
class SettingsPage : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;
    virtual QString Caption() const = 0;
    virtual QString HelpText() const = 0;
    // Runs the help window for this page, with the page as its parent.
    void ShowHelp();
};
