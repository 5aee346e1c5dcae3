#include "frame/artwork.h"

#include <QCoreApplication>
#include <QHash>
#include <QPainter>
#include <QPixmapCache>
#include <QPointer>
#include <QSvgRenderer>
#include <QtGlobal>

// The resource file is compiled into the kelui library, whose objects the
// linker would otherwise leave out of a program that never names them.
static void InitArtworkResources() {
    Q_INIT_RESOURCE(kel);
}

void EnsureArtwork() {
    static const bool done = (InitArtworkResources(), true);
    (void)done;
}

namespace {

// Icon sizes the widgets ask for at the desktop scales 1 to 2: bar images
// of 16 and 32 pixels, list icons of 32.
constexpr int kIconSizes[] = {16, 20, 24, 32, 40, 48, 64};

QSvgRenderer& Renderer(const QString& name) {
    // One per drawing, owned by the application object and deleted with it.
    static QHash<QString, QPointer<QSvgRenderer>> renderers;
    QPointer<QSvgRenderer>& renderer = renderers[name];
    if (renderer.isNull()) {
        EnsureArtwork();
        renderer = new QSvgRenderer(QStringLiteral(":/kel/svg/%1.svg").arg(name),
                                    QCoreApplication::instance());
        renderer->setAspectRatioMode(Qt::IgnoreAspectRatio);
    }
    return *renderer;
}

QPixmap Render(QSvgRenderer& renderer, QSize size, qreal ratio, const QRectF& viewBox) {
    const QSize pixels = (QSizeF(size) * ratio).toSize();
    QPixmap pixmap(pixels);
    pixmap.fill(Qt::transparent);
    renderer.setViewBox(viewBox);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

}  // namespace

QPixmap ArtPixmap(const QString& name, QSize size, qreal ratio) {
    const QString key =
        QStringLiteral("kel-%1-%2x%3@%4").arg(name).arg(size.width()).arg(size.height()).arg(ratio);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    QSvgRenderer& renderer = Renderer(name);
    pixmap = Render(renderer, size, ratio, renderer.viewBoxF());
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QIcon ArtIcon(const QString& name) {
    QSvgRenderer& renderer = Renderer(name);
    const QRectF all = renderer.viewBoxF();
    QIcon icon;
    for (int size : kIconSizes)
        icon.addPixmap(Render(renderer, QSize(size, size), 1.0, all));
    renderer.setViewBox(all);
    return icon;
}

int ArtStripCells(const QString& name) {
    const QRectF all = Renderer(name).viewBoxF();
    return all.height() > 0 ? qRound(all.width() / all.height()) : 0;
}

QIcon ArtStripIcon(const QString& name, int cell) {
    QSvgRenderer& renderer = Renderer(name);
    const QRectF all = renderer.viewBoxF();
    const qreal side = all.height();
    const QRectF box(all.left() + cell * side, all.top(), side, side);
    QIcon icon;
    for (int size : kIconSizes)
        icon.addPixmap(Render(renderer, QSize(size, size), 1.0, box));
    renderer.setViewBox(all);
    return icon;
}
