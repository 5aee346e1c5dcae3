#pragma once
// Work on the modal window that the next exec() opens (a sheet, a dialog),
// run from the event loop that exec() starts; the window is closed after it
// when the work left it open. Needs QtWidgets; GUI thread only.

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

inline void OnNextModal(std::function<void(QWidget&)> work) {
    QTimer::singleShot(0, [work = std::move(work)] {
        QPointer<QWidget> modal = QApplication::activeModalWidget();
        if (modal == nullptr)
            return;
        work(*modal);
        if (modal != nullptr && modal->isVisible())
            modal->close();
    });
}
