#include "ui_test_support.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <cstdio>
#include <vector>

#include "widgets.h"

namespace {

void filterOffscreenNoise(QtMsgType type, const QMessageLogContext& context,
                          const QString& message) {
    if (message == QLatin1String("This plugin does not support propagateSizeHints()")) return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

bool fits(const QWidget& w) {
    const QFontMetrics metrics(w.font());
    if (auto* label = qobject_cast<const QLabel*>(&w)) {
        if (label->text().isEmpty()) return true;
        const QRect inside = label->contentsRect();
        return metrics.horizontalAdvance(label->text()) <= inside.width() &&
               metrics.height() <= inside.height();
    }
    if (auto* option = qobject_cast<const QRadioButton*>(&w)) {
        // Indicator, spacing and text as the style lays them out.
        return option->sizeHint().width() <= option->width() &&
               metrics.height() <= option->height();
    }
    if (auto* button = qobject_cast<const QPushButton*>(&w)) {
        const QStyle* style = button->style();
        const int margins = style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                            2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        return metrics.horizontalAdvance(button->text()) + margins <= button->width() &&
               metrics.height() <= button->height();
    }
    if (auto* frame = qobject_cast<const kteval::ui::FrameBox*>(&w)) {
        // The caption and the border beside it, clear of the right border.
        const QRect caption = frame->captionRect();
        return caption.isEmpty() || frame->rect().adjusted(0, 0, -4, 0).contains(caption);
    }
    if (auto* list = qobject_cast<const QComboBox*>(&w)) {
        return list->sizeHint().width() <= list->width();
    }
    return true;
}

// A straight line of a frame's border: row (horizontal) or column `at`,
// from `from` to `to` along it, in the frame's coordinates.
struct BorderLine {
    bool horizontal;
    int at;
    int from;
    int to;

    bool crosses(const QRect& r) const {
        return horizontal
                   ? r.top() <= at && at <= r.bottom() && r.left() <= to && r.right() >= from
                   : r.left() <= at && at <= r.right() && r.top() <= to && r.bottom() >= from;
    }
};

std::vector<BorderLine> borderLines(QWidget& frame) {
    constexpr QRgb kUnpainted = qRgb(1, 2, 3);
    QImage image(frame.size(), QImage::Format_RGB32);
    image.fill(kUnpainted);
    frame.render(&image, {}, {}, QWidget::RenderFlags());
    // Whatever the frame paints inside its border (a tint, or nothing).
    const QRgb inside = image.pixel(image.width() / 2, image.height() / 2);
    const auto ink = [&](int x, int y) {
        const QRgb p = image.pixel(x, y);
        return p != kUnpainted && p != inside;
    };
    std::vector<BorderLine> lines;
    const auto scan = [&](bool horizontal) {
        const int count = horizontal ? image.height() : image.width();
        const int length = horizontal ? image.width() : image.height();
        for (int at = 0; at < count; ++at) {
            int runStart = 0;
            for (int i = 0; i <= length; ++i) {
                const bool on = i < length && (horizontal ? ink(i, at) : ink(at, i));
                if (on) continue;
                if (i - runStart >= length / 2) lines.push_back({horizontal, at, runStart, i - 1});
                runStart = i + 1;
            }
        }
    };
    scan(true);
    scan(false);
    return lines;
}

}  // namespace

QStringList controlsAcrossFrameBorders(const QWidget& root) {
    QStringList crossed;
    for (QGroupBox* frame : root.findChildren<QGroupBox*>()) {
        const std::vector<BorderLine> lines = borderLines(*frame);
        if (lines.empty()) crossed << frame->objectName() + "/(no border found)";
        for (const QWidget* control : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            // The diagram's lines are drawn to meet the border.
            if (control->inherits("kteval::ui::LineWidget") ||
                control->inherits("kteval::ui::ShapeWidget")) {
                continue;
            }
            for (const BorderLine& line : lines) {
                if (line.crosses(control->geometry())) {
                    crossed << frame->objectName() + "/" + control->objectName();
                    break;
                }
            }
        }
    }
    return crossed;
}

void installOffscreenFilter() {
    qInstallMessageHandler(filterOffscreenNoise);
}

QStringList clippedCaptions(const QWidget& root) {
    QStringList clipped;
    for (const QWidget* w : root.findChildren<QWidget*>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith("qt_")) continue;
        if (!fits(*w)) clipped << w->objectName();
    }
    return clipped;
}
