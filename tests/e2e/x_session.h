#pragma once
// A private X server (Xvfb) and the helpers an end-to-end test drives it
// with: programs started on it, screenshots, xdotool clicks and keys.
// Waits poll a condition against a generous deadline; nothing sleeps blindly.

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class XSession {
  public:
    // Starts Xvfb with one screen of the size and depth; the server picks a
    // free display number.
    XSession(QSize size, int depth);
    ~XSession();

    bool Running() const { return !display_.isEmpty(); }
    QString Display() const { return display_; }

    // Starts a program on this display with extra environment entries.
    QProcess* Start(const QString& program, const QStringList& arguments,
                    const QStringList& environment);
    // Runs a helper to its end and returns its standard output.
    QString Run(const QString& program, const QStringList& arguments);

    // Window ids whose name is exactly the text.
    QStringList WindowsNamed(const QString& name);
    // Geometry of a window on the root window.
    QRect WindowGeometry(const QString& id);
    QImage Screenshot(const QString& saveAs = {});
    void Click(QPoint at);
    void Key(const QString& key);

  private:
    std::unique_ptr<QProcess> server_;
    QString display_;
    std::vector<std::unique_ptr<QProcess>> programs_;
};

// Polls until the condition holds or the deadline passes.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs);

// Path of a test artifact (screenshots, settings files) in the build tree.
QString Artifact(const QString& name);

// A fresh settings file, named in the build tree, that makes 127.0.0.1 the
// station's own address; returns the environment entry that selects it.
QString LoopbackSettings(const QString& name);
