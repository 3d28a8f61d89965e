#pragma once

#include <QProxyStyle>

namespace kteval::ui {

// The application's style, with option button indicators painted once per
// look (style, state, size, palette and its colour group, pixel ratio) and
// then copied from a pixmap: the style draws each one as antialiased paths,
// and the main window shows over fifty of them. The pixels are the style's own.
class IndicatorCacheStyle : public QProxyStyle {
    Q_OBJECT
  public:
    // Wraps a new instance of the style named key (e.g. "Fusion").
    explicit IndicatorCacheStyle(const QString& key) : QProxyStyle(key) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

}  // namespace kteval::ui
