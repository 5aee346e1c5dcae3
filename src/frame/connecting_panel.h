#pragma once
// The notice over the desk list while a connection is being opened:
// "Connecting to <address>…" with a Cancel button. It covers the list, so
// no second desk can be picked meanwhile. GUI thread.

#include <QFrame>
#include <cstdint>

class QLabel;
class QPushButton;

class ConnectingPanel : public QFrame {
    Q_OBJECT
  public:
    explicit ConnectingPanel(QWidget* parent);

    void ShowFor(uint32_t desk);
    QString Text() const;
    QPushButton* CancelButton() const { return cancel_; }

  signals:
    void CancelRequested();

  private:
    QLabel* text_ = nullptr;
    QPushButton* cancel_ = nullptr;
};
