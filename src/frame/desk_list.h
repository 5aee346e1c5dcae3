#pragma once
// The desk list: one icon per available desk, titled with its address, name,
// type and version. It mirrors the rows of a DeskTable; the table decides,
// the list only shows. Item texts are plain text (desk names come from the
// network). GUI thread only.

#include <QIcon>
#include <QKeyEvent>
#include <QListWidget>
#include <QTimer>

#include "discovery/desk_table.h"

class CMyListCtrl : public QListWidget, public DeskTableView {
    Q_OBJECT
  public:
    CMyListCtrl(const DeskTable& table, QWidget* parent);

    // Images of the rows: connected and not connected.
    void SetImages(const QIcon& connected, const QIcon& notConnected);
    // Row text and image of row index, as shown.
    QString RowText(int index) const;
    bool RowShowsConnected(int index) const;

    void RowInserted(int index) override;
    void RowRemoved(int index) override;
    void RowTextChanged(int index) override;
    void RowIconChanged(int index) override;
    void RowsCleared() override;

    // A copy of a key event that keeps its native codes.
    static QKeyEvent CopyOf(const QKeyEvent& event);

  signals:
    // A row was clicked, at the given point of the list's viewport.
    void DeskClicked(int index, QPoint point);

  protected:
    // Keys that reach the list while it is hidden (the remote view is shown)
    // belong to the desk: the frame takes the focus and the key.
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // The grid and the rows are measured again when the font or the style
    // changes.
    void changeEvent(QEvent* event) override;

  private:
    static QSize GridFor(const QFontMetrics& metrics);
    QIcon ImageFor(int index) const;
    void MeasureRow(QListWidgetItem* row);
    bool HandToFrame(QKeyEvent* event);
    // The search hint shows once the list has been empty for a while.
    void ListEmptied();
    void ListFilled();

    const DeskTable& table_;
    QIcon connected_;
    QIcon notConnected_;
    QTimer emptyFor_;
    bool searchHint_ = false;
};
