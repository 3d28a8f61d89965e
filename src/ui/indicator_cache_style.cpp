#include "indicator_cache_style.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyleOption>
#include <cstdio>

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
    // one of several in the program. Formatted in one go: QString::arg, over
    // and over, cost more than copying the pixmap.
    char text[112];
    const int length = std::snprintf(
        text, sizeof text, "-%x-%dx%d-%llx-%d-%g", static_cast<unsigned>(option->state),
        size.width(), size.height(), static_cast<unsigned long long>(option->palette.cacheKey()),
        static_cast<int>(option->palette.currentColorGroup()), static_cast<double>(ratio));
    const QString key =
        QStringLiteral("kteval-radio-") + baseStyle()->name() + QLatin1String(text, length);
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
