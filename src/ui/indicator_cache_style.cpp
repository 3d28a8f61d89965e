#include "indicator_cache_style.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyleOption>

namespace kteval::ui {

void IndicatorCacheStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                        QPainter* painter, const QWidget* widget) const {
    const QSize size = option->rect.size();
    if (element != PE_IndicatorRadioButton || size.isEmpty() || painter->device() == nullptr) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const qreal ratio = painter->device()->devicePixelRatioF();
    // The palette's cache key leaves out its current colour group, which
    // follows visibility as well as the state flags; the style itself may be
    // one of several in the program.
    const QString key = QStringLiteral("kteval-radio-%1-%2-%3x%4-%5-%6-%7")
                            .arg(baseStyle()->name())
                            .arg(static_cast<uint>(option->state))
                            .arg(size.width())
                            .arg(size.height())
                            .arg(option->palette.cacheKey())
                            .arg(static_cast<int>(option->palette.currentColorGroup()))
                            .arg(ratio);
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap = QPixmap(size * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter pixmapPainter(&pixmap);
        QStyleOption atOrigin = *option;
        atOrigin.rect = QRect(QPoint(0, 0), size);
        QProxyStyle::drawPrimitive(element, &atOrigin, &pixmapPainter, widget);
        pixmapPainter.end();
        QPixmapCache::insert(key, pixmap);
    }
    painter->drawPixmap(option->rect.topLeft(), pixmap);
}

}  // namespace kteval::ui
