#include "widgets.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFocusEvent>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kteval::ui {

namespace {

int toPixels(int twipsValue) {
    return static_cast<int>(std::nearbyint(static_cast<double>(twipsValue) / kTwipsPerPixel));
}

// A key that types a character, as opposed to Enter, Escape, Backspace and
// the navigation keys.
bool typesCharacter(const QKeyEvent& event) {
    const QString text = event.text();
    return !text.isEmpty() && text.at(0).isPrint();
}

}  // namespace

QRect twips(int left, int top, int width, int height) {
    return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}

QPoint twipsPoint(int x, int y) {
    return {toPixels(x), toPixels(y)};
}

QFont windowFont(bool bold) {
    QFont font = QApplication::font();
    // Named by the family the default font resolves to ("DejaVu Sans" for
    // "Sans Serif"): the same face, but Qt then sets up each size of it once
    // instead of twice.
    const QString family = QFontInfo(font).family();
    if (!family.isEmpty()) font.setFamilies({family});
    font.setPointSizeF(kTextPointSize);
    font.setBold(bold);
    return font;
}

void centreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->geometry();
    const QSize outer = window.frameGeometry().size();
    window.move(area.left() + (area.width() - outer.width()) / 2,
                area.top() + (area.height() - outer.height()) / 2);
}

// --- EntryBox ---

void EntryBox::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter) emit enterPressed();
    QLineEdit::keyPressEvent(event);
}

void EntryBox::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    const Qt::FocusReason reason = event->reason();
    // A menu, popup or another window taking the keyboard is no loss of focus.
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
        reason != Qt::MenuBarFocusReason) {
        emit focusLost();
    }
}

// --- KeylessComboBox ---

KeylessComboBox::KeylessComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setFocusPolicy(Qt::StrongFocus);
}

void KeylessComboBox::showPopup() {
    // The list is made on first use: made with the box, the window's three
    // lists cost 2.2 M of kteval's 96 M start-up instructions (callgrind).
    if (filteredView_ == nullptr) {
        filteredView_ = view();
        filteredView_->installEventFilter(this);
    }
    QComboBox::showPopup();
}

void KeylessComboBox::wheelEvent(QWheelEvent* event) {
    // A wheel turned to scroll past the box must not pick an entry.
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}

void KeylessComboBox::keyPressEvent(QKeyEvent* event) {
    if (!event->text().isEmpty()) {
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

bool KeylessComboBox::eventFilter(QObject* watched, QEvent* event) {
    // The open list searches its entries by typed characters; swallow them so
    // that Enter cannot then pick an entry the operator never chose.
    if (watched == filteredView_ && event->type() == QEvent::KeyPress &&
        typesCharacter(*static_cast<QKeyEvent*>(event))) {
        return true;
    }
    return QComboBox::eventFilter(watched, event);
}

// --- ClickArea ---

void ClickArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        event->accept();
    } else {
        QWidget::mousePressEvent(event);
    }
}

void ClickArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
    event->accept();
}

// --- LineWidget ---

LineWidget::LineWidget(QWidget* parent, QPoint fromTwips, QPoint toTwips, int penWidth,
                       QPoint origin)
    : QWidget(parent),
      from_(twipsPoint(fromTwips.x(), fromTwips.y()) - origin),
      to_(twipsPoint(toTwips.x(), toTwips.y()) - origin),
      penWidth_(penWidth) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    const QRect box = QRect(from_, to_).normalized();
    setGeometry(box.adjusted(-penWidth, -penWidth, penWidth, penWidth));
}

void LineWidget::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const bool straight = from_.x() == to_.x() || from_.y() == to_.y();
    painter.setRenderHint(QPainter::Antialiasing, !straight);
    painter.setPen(
        QPen(palette().color(QPalette::WindowText), penWidth_, Qt::SolidLine, Qt::SquareCap));
    const QPoint offset = geometry().topLeft();
    // A one pixel pen is drawn on the pixel centres; a two pixel pen straddles
    // the coordinate and covers the pixel on each side of it.
    const QPointF shift = penWidth_ % 2 == 1 ? QPointF(0.5, 0.5) : QPointF(0, 0);
    painter.drawLine(QPointF(from_ - offset) + shift, QPointF(to_ - offset) + shift);
}

// --- ShapeWidget ---

ShapeWidget::ShapeWidget(QWidget* parent, Kind kind, const QRect& geometry, int penWidth)
    : QWidget(parent), kind_(kind), penWidth_(penWidth) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(geometry);
}

void ShapeWidget::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, kind_ == Kind::Circle);
    painter.setPen(QPen(palette().color(QPalette::WindowText), penWidth_));
    const double inset = penWidth_ / 2.0;
    const QRectF outline = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    if (kind_ == Kind::Circle) {
        painter.drawEllipse(outline);
    } else {
        painter.drawRect(outline);
    }
}

// --- FrameBox ---

namespace {

constexpr int kCaptionIndent = 6;  // caption start, pixels from the left edge
constexpr int kCaptionGap = 2;     // border left open on each side of the caption

}  // namespace

QRect FrameBox::captionRect() const {
    if (title().isEmpty()) return {};
    const QFontMetrics metrics(font());
    const QSize size(metrics.horizontalAdvance(title()), metrics.height());
    return {QPoint(kCaptionIndent, 0), size};
}

QRect FrameBox::borderRect() const {
    const int top = title().isEmpty() ? 0 : QFontMetrics(font()).height() / 2;
    return rect().adjusted(0, top, 0, 0);
}

void FrameBox::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    // Etched: a shadow line with a light line inside it, both one pixel wide
    // and drawn as filled rectangles (no long lines: see TabControl).
    const QRect outer = borderRect();
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor light = palette().color(QPalette::Light);
    const QRect caption = captionRect();
    const auto horizontal = [&](int y, int left, int right, const QColor& colour) {
        if (caption.isEmpty()) {
            painter.fillRect(QRect(QPoint(left, y), QPoint(right, y)), colour);
            return;
        }
        const int gapLeft = caption.left() - kCaptionGap;
        const int gapRight = caption.right() + kCaptionGap;
        painter.fillRect(QRect(QPoint(left, y), QPoint(gapLeft - 1, y)), colour);
        painter.fillRect(QRect(QPoint(gapRight + 1, y), QPoint(right, y)), colour);
    };
    const int l = outer.left();
    const int t = outer.top();
    const int r = outer.right();
    const int b = outer.bottom();
    horizontal(t, l, r - 1, shadow);
    painter.fillRect(QRect(QPoint(l, t), QPoint(l, b - 1)), shadow);
    painter.fillRect(QRect(QPoint(l, b - 1), QPoint(r - 1, b - 1)), shadow);
    painter.fillRect(QRect(QPoint(r - 1, t), QPoint(r - 1, b - 1)), shadow);
    horizontal(t + 1, l + 1, r - 2, light);
    painter.fillRect(QRect(QPoint(l + 1, t + 1), QPoint(l + 1, b - 2)), light);
    painter.fillRect(QRect(QPoint(l, b), QPoint(r, b)), light);
    painter.fillRect(QRect(QPoint(r, t), QPoint(r, b)), light);
    if (!caption.isEmpty()) {
        style()->drawItemText(&painter, caption,
                              Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, palette(),
                              isEnabled(), title(), QPalette::WindowText);
    }
}

// --- TabControl ---

QPoint TabControl::pageOrigin() const {
    QStyleOptionTabWidgetFrame option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_TabWidgetTabContents, &option, this).topLeft();
}

void TabControl::paintEvent(QPaintEvent* event) {
    if (documentMode()) {
        QTabWidget::paintEvent(event);
        return;
    }
    QStyleOptionTabWidgetFrame option;
    initStyleOption(&option);
    option.rect = style()->subElementRect(QStyle::SE_TabWidgetTabPane, &option, this);
    QStylePainter painter(this);
    // Qt 6 paints up to 95 spans of one call on the calling thread; a band
    // crossed by the frame's two sides gives two spans a row.
    constexpr int kBandRows = 32;
    for (int top = option.rect.top(); top <= option.rect.bottom(); top += kBandRows) {
        painter.setClipRect(QRect(0, top, width(), kBandRows));
        painter.drawPrimitive(QStyle::PE_FrameTabWidget, option);
    }
}

}  // namespace kteval::ui
