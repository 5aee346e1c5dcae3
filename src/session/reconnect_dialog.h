#pragma once
// CReconnectDlg: the modal dialog shown while the current desk is not heard.
// It tells the operator which desk was lost, counts the seconds, and waits:
// the desk list ends it when the desk is back (result 3) or announces that
// it goes away (IDCANCEL); "Abort", Enter and Esc give up. The desk list
// also shows here why a silent reconnect did not work yet. GUI thread.

#include <QDialog>
#include <QTimer>
#include <cstdint>

class QLabel;

class CReconnectDlg : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kReconnected = 3;

    CReconnectDlg(uint32_t desk, QWidget* parent);

    // How the dialog ended, from its finished() code: IDOK, IDCANCEL (Esc and
    // the close box too) or kReconnected.
    static int ResultOf(int finished);

    uint32_t Desk() const { return desk_; }
    // Why the latest attempt to reconnect failed (empty: none failed).
    void ShowAttemptFailed(const QString& reason);
    // One tick of the seconds counter (the timer calls it every second).
    void Tick();

    QString MessageText() const;
    QString ElapsedShown() const;
    QString AttemptShown() const;

  private:
    const uint32_t desk_;
    uint32_t elapsed_ = 1;
    QLabel* message_ = nullptr;
    QLabel* time_ = nullptr;
    QLabel* attempt_ = nullptr;
    QTimer timer_;
};
