#include "ui_test_support.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <cstdio>

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
    if (auto* frame = qobject_cast<const QGroupBox*>(&w)) {
        // Where the style puts the title, measured from the title's own extent.
        QStyleOptionGroupBox option;
        option.initFrom(frame);
        option.text = frame->title();
        option.textAlignment = frame->alignment();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const QRect title = frame->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                           QStyle::SC_GroupBoxLabel, frame);
        return frame->rect().contains(title) &&
               metrics.horizontalAdvance(frame->title()) <= title.width();
    }
    if (auto* list = qobject_cast<const QComboBox*>(&w)) {
        return list->sizeHint().width() <= list->width();
    }
    return true;
}

}  // namespace

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
