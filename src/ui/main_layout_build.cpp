#include "main_layout_build.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "widgets.h"

namespace kteval::ui::layout {

namespace {

QRect pixels(Place place, QPoint origin) {
    return twips(place.left, place.top, place.width, place.height).translated(-origin);
}

void makeBold(QWidget* widget) {
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
}

template <class Widget>
Widget* make(QWidget* parent, const QString& name, const QRect& geometry) {
    auto* widget = new Widget(parent);
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    return widget;
}

// An option button grown to the size the style needs where the design is
// smaller, centred on the designed place.
QRect grownToHint(const QRect& designed, QSize hint, bool growWidth) {
    const int width = growWidth ? std::max(designed.width(), hint.width()) : designed.width();
    const int height = std::max(designed.height(), hint.height());
    QRect grown(0, 0, width, height);
    grown.moveCenter(designed.center());
    if (!growWidth) grown.moveLeft(designed.left());
    return grown;
}

}  // namespace

QString indexed(const char* name, int index) {
    return QString::fromLatin1(name) + QLatin1Char('_') + QString::number(index);
}

QLabel* label(QWidget* parent, const QString& name, const QString& text, Place place, QPoint origin,
              bool bold) {
    auto* result = make<QLabel>(parent, name, pixels(place, origin));
    result->setText(text);
    result->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (bold) makeBold(result);
    return result;
}

QLabel* rightLabel(QWidget* parent, const QString& name, const QString& text, Place place,
                   QPoint origin, bool bold) {
    QLabel* result = label(parent, name, text, place, origin, bold);
    result->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return result;
}

QLabel* valueLabel(QWidget* parent, const QString& name, const QString& text, Place place,
                   QPoint origin) {
    auto* result = make<QLabel>(parent, name, pixels(place, origin));
    result->setText(text);
    result->setAlignment(Qt::AlignCenter);
    result->setFrameShape(QFrame::Box);
    result->setFrameShadow(QFrame::Plain);
    result->setLineWidth(1);
    result->setAutoFillBackground(true);
    QPalette palette = result->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    result->setPalette(palette);
    return result;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& text, Place place,
                    QPoint origin, bool bold) {
    auto* result = make<QPushButton>(parent, name, pixels(place, origin));
    result->setText(text);
    result->setAutoDefault(false);
    if (bold) makeBold(result);
    return result;
}

QRadioButton* option(QWidget* parent, const QString& name, const QString& text, Place place) {
    auto* result = make<QRadioButton>(parent, name, pixels(place, {}));
    result->setText(text);
    result->setGeometry(grownToHint(result->geometry(), result->sizeHint(), false));
    return result;
}

QRadioButton* bareOption(QWidget* parent, const QString& name, int left, int top) {
    constexpr int kBareSide = 195;
    auto* result = make<QRadioButton>(parent, name, pixels({left, top, kBareSide, kBareSide}, {}));
    result->setGeometry(grownToHint(result->geometry(), result->sizeHint(), true));
    return result;
}

EntryBox* entry(QWidget* parent, const QString& name, const QString& text, Place place,
                QPoint origin) {
    auto* result = make<EntryBox>(parent, name, pixels(place, origin));
    result->setText(text);
    return result;
}

QGroupBox* frame(QWidget* parent, const QString& name, const QString& title, Place place,
                 QPoint origin) {
    auto* result = make<FrameBox>(parent, name, pixels(place, origin));
    result->setTitle(title);
    return result;
}

LineWidget* line(QWidget* parent, const QString& name, QPoint from, QPoint to, QPoint origin,
                 int penWidth) {
    auto* result = new LineWidget(parent, from, to, penWidth, origin);
    result->setObjectName(name);
    return result;
}

}  // namespace kteval::ui::layout
