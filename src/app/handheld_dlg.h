#pragma once
// The program's only top-level window: the handheld skin with the main frame
// in its screen area and the five hardware buttons below it. Three sizes
// (zoom modes); the size and position are kept in the settings.
// GUI thread only.

#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <array>

#include "frame/station_services.h"

class EncoderBtn;
class CMainFrame;
struct NetworkThreads;

class CHandheldDlg : public QWidget {
    Q_OBJECT
  public:
    // services: the session, the way to the desk, the shared state and the
    // workers' handover; all outlive the window.
    explicit CHandheldDlg(const StationServices& services);
    ~CHandheldDlg() override;

    // Builds frame and buttons, reads size and position; call once before
    // showing. threads: the network threads the main frame starts and stops.
    void OnInitDialog(const NetworkThreads& threads);
    // Switches between original and big size.
    void ToggleSize();
    // Buttons for the current zoom mode.
    void LayoutButtons();

    CMainFrame* Frame() const { return frame_; }
    EncoderBtn* Button(int index) const;
    // The size command's text, empty when the screen offers none.
    QString SizeCommandLabel() const;
    // The skin's context menu (size command and exit); runs it at the point.
    void ShowSkinMenu(QPoint globalPoint);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void PlaceWindow();
    void ApplyWindowSize();
    uint32_t Zoom() const;
    void DestroyWindow();
    void ForwardKey(QKeyEvent* event);
    void OnWheel(QPoint delta);

    StationServices services_;
    std::array<EncoderBtn*, 5> buttons_{};
    CMainFrame* frame_ = nullptr;
    bool sizeCommand_ = false;
    bool destroyed_ = false;
    bool forwardingKey_ = false;
    bool watchingScreen_ = false;
    // The last wheel event seen, to count one that travels on only once.
    quint64 lastWheelStamp_ = ~0ull;
    QPointF lastWheelAt_;
    QPoint lastWheelDelta_;
    int wheelRest_ = 0;  // wheel turned short of a whole notch
};

// The handheld window, or null when it does not exist.
QWidget* GetHandheldWindow();
