#include "frame/desk_list.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace {
constexpr int kConnectedRole = Qt::UserRole + 1;
// Heartbeats come every second; five without one means nothing is out there
// yet, or the network does not carry multicast to this machine.
constexpr int kSearchHintDelayMs = 5000;
}  // namespace

CMyListCtrl::CMyListCtrl(const DeskTable& table, QWidget* parent)
    : QListWidget(parent), table_(table) {
    setObjectName(QStringLiteral("deskList"));
    setViewMode(QListView::IconMode);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWrapping(true);
    setWordWrap(true);
    setIconSize(QSize(32, 32));
    setGridSize(GridFor(fontMetrics()));
    setFrameShape(QFrame::NoFrame);
    setTextElideMode(Qt::ElideNone);
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const QRect area = visualItemRect(item);
        emit DeskClicked(row(item), area.center());
    });
    emptyFor_.setSingleShot(true);
    emptyFor_.setInterval(kSearchHintDelayMs);
    connect(&emptyFor_, &QTimer::timeout, this, [this] {
        searchHint_ = count() == 0;
        viewport()->update();
    });
    ListEmptied();
}

// Room for the icon and four lines of title: address, name (a long one wraps
// once) and type with version.
QSize CMyListCtrl::GridFor(const QFontMetrics& metrics) {
    constexpr int kTitleLines = 4;
    constexpr int kMargins = 12;
    return QSize(110, 32 + kTitleLines * metrics.lineSpacing() + kMargins);
}

void CMyListCtrl::ListEmptied() {
    if (count() == 0 && !emptyFor_.isActive() && !searchHint_)
        emptyFor_.start();
}

void CMyListCtrl::ListFilled() {
    emptyFor_.stop();
    if (searchHint_) {
        searchHint_ = false;
        viewport()->update();
    }
}

void CMyListCtrl::paintEvent(QPaintEvent* event) {
    QListWidget::paintEvent(event);
    if (!searchHint_ || count() != 0)
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(viewport()->rect().adjusted(4, 8, -4, 0), Qt::AlignHCenter | Qt::AlignTop,
                     QStringLiteral("Searching for desks..."));
}

void CMyListCtrl::SetImages(const QIcon& connected, const QIcon& notConnected) {
    connected_ = connected;
    notConnected_ = notConnected;
    for (int i = 0; i < count(); ++i) {
        item(i)->setIcon(ImageFor(i));
        MeasureRow(item(i));
    }
}

QString CMyListCtrl::RowText(int index) const {
    const QListWidgetItem* row = item(index);
    return row != nullptr ? row->text() : QString();
}

bool CMyListCtrl::RowShowsConnected(int index) const {
    const QListWidgetItem* row = item(index);
    return row != nullptr && row->data(kConnectedRole).toBool();
}

QIcon CMyListCtrl::ImageFor(int index) const {
    const auto& rows = table_.Rows();
    const bool connected = index >= 0 && index < static_cast<int>(rows.size()) &&
                           rows[static_cast<size_t>(index)].connected;
    return connected ? connected_ : notConnected_;
}

void CMyListCtrl::RowInserted(int index) {
    auto* row = new QListWidgetItem();
    row->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
    if (index >= 0 && index < table_.RowCount()) {
        const DeskRow& desk = table_.Rows()[static_cast<size_t>(index)];
        row->setText(QString::fromStdString(desk.text));
        row->setIcon(ImageFor(index));
        row->setData(kConnectedRole, desk.connected);
    }
    insertItem(index, row);
    ListFilled();
    MeasureRow(row);
}

void CMyListCtrl::RowRemoved(int index) {
    delete takeItem(index);
    ListEmptied();
}

void CMyListCtrl::RowTextChanged(int index) {
    QListWidgetItem* row = item(index);
    if (row == nullptr || index >= table_.RowCount())
        return;
    const QString text = QString::fromStdString(table_.Rows()[static_cast<size_t>(index)].text);
    if (text == row->text())
        return;
    row->setText(text);
    MeasureRow(row);
}

void CMyListCtrl::RowIconChanged(int index) {
    QListWidgetItem* row = item(index);
    if (row == nullptr || index >= table_.RowCount())
        return;
    row->setIcon(ImageFor(index));
    row->setData(kConnectedRole, table_.Rows()[static_cast<size_t>(index)].connected);
    MeasureRow(row);
}

// Each row keeps the size its delegate gives it, so a layout of the list only
// reads sizes: left to the view, every insert or removal would wrap the text
// of every row again. The size is the one the view itself would compute, so
// long names wrap and show in full as before.
void CMyListCtrl::MeasureRow(QListWidgetItem* row) {
    const QModelIndex index = indexFromItem(row);
    QAbstractItemDelegate* delegate = itemDelegateForIndex(index);
    if (delegate == nullptr)
        return;
    row->setData(Qt::SizeHintRole, QVariant());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    row->setSizeHint(delegate->sizeHint(option, index));
}

void CMyListCtrl::changeEvent(QEvent* event) {
    QListWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        setGridSize(GridFor(fontMetrics()));
        for (int i = 0; i < count(); ++i)
            MeasureRow(item(i));
    }
}

void CMyListCtrl::RowsCleared() {
    clear();
    ListEmptied();
}

QKeyEvent CMyListCtrl::CopyOf(const QKeyEvent& event) {
    return QKeyEvent(event.type(), event.key(), event.modifiers(), event.nativeScanCode(),
                     event.nativeVirtualKey(), event.nativeModifiers(), event.text(),
                     event.isAutoRepeat(), static_cast<quint16>(event.count()));
}

void CMyListCtrl::keyPressEvent(QKeyEvent* event) {
    if (!HandToFrame(event))
        QListWidget::keyPressEvent(event);
}

void CMyListCtrl::keyReleaseEvent(QKeyEvent* event) {
    if (!HandToFrame(event))
        QListWidget::keyReleaseEvent(event);
}

// The key is delivered to the frame as well as the focus, so the first key
// typed after the switch is not lost in the hidden list.
bool CMyListCtrl::HandToFrame(QKeyEvent* event) {
    QWidget* frame = parentWidget();
    if (!isHidden() || frame == nullptr || !frame->isVisible())
        return false;
    event->accept();
    frame->setFocus();
    QKeyEvent copy = CopyOf(*event);
    QApplication::sendEvent(frame, &copy);
    return true;
}
