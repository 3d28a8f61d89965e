#pragma once

#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLineEdit>
#include <QPoint>
#include <QRect>
#include <QTabWidget>
#include <QWidget>

namespace kteval::ui {

// Window geometry is designed in twips; 15 twips make one logical pixel.
inline constexpr int kTwipsPerPixel = 15;

// Point size of the windows' text. DejaVu Sans runs wider than the narrow
// sans serif the layout was drawn for, so it is set small enough that every
// caption fits its control.
inline constexpr double kTextPointSize = 7.0;

// Logical pixels of a twips rectangle; each value rounded to the nearest pixel.
QRect twips(int left, int top, int width, int height);
// Logical pixels of a twips point.
QPoint twipsPoint(int x, int y);

// The application's default font family at kTextPointSize, optionally bold.
QFont windowFont(bool bold = false);

// Moves a top-level window so that its frame is centred on its screen.
void centreOnScreen(QWidget& window);

// Single-line text box that reports Enter and the loss of focus to another
// control of its window. Leaving the window, or a popup or message box taking
// over, is no loss of focus.
class EntryBox : public QLineEdit {
    Q_OBJECT
  public:
    explicit EntryBox(QWidget* parent = nullptr) : QLineEdit(parent) {}

  signals:
    void enterPressed();
    void focusLost();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

// Drop-down list whose choice changes only by picking an entry with the mouse
// or the arrow keys: typed characters are swallowed, also in the open list.
// The mouse wheel turns it only while it has the keyboard focus, and does not
// give it the focus.
class KeylessComboBox : public QComboBox {
    Q_OBJECT
  public:
    explicit KeylessComboBox(QWidget* parent = nullptr);

    void showPopup() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QObject* filteredView_ = nullptr;  // the open list, once it has been made
};

// Invisible, borderless area that reports a click (press and release inside).
class ClickArea : public QWidget {
    Q_OBJECT
  public:
    explicit ClickArea(QWidget* parent = nullptr) : QWidget(parent) {}

  signals:
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A straight line of the block diagrams. The end points are twips in the
// coordinates of the design container, whose origin lies at `origin` (pixels)
// in the parent widget. The widget covers only the line's bounding box and lets
// mouse events through; hiding the widget hides the line.
class LineWidget : public QWidget {
    Q_OBJECT
  public:
    LineWidget(QWidget* parent, QPoint fromTwips, QPoint toTwips, int penWidth, QPoint origin = {});

    QPoint from() const { return from_; }  // pixels, parent coordinates
    QPoint to() const { return to_; }
    int penWidth() const { return penWidth_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPoint from_;
    QPoint to_;
    int penWidth_;
};

// Outline of a circle or rectangle filling its geometry; lets mouse events through.
class ShapeWidget : public QWidget {
    Q_OBJECT
  public:
    enum class Kind { Circle, Rectangle };
    ShapeWidget(QWidget* parent, Kind kind, const QRect& geometry, int penWidth);

    Kind kind() const { return kind_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    Kind kind_;
    int penWidth_;
};

// Frame with an optional caption, drawn as the layout was designed: an etched
// border along the frame's own rectangle whose top line runs through the
// middle of the caption (the caption interrupts it), or along the very top
// when there is no caption. Controls placed below the caption are therefore
// inside the border, whatever the widget style does with group boxes.
class FrameBox : public QGroupBox {
    Q_OBJECT
  public:
    using QGroupBox::QGroupBox;

    // Where the caption is drawn (empty without a caption).
    QRect captionRect() const;
    // The rectangle the border is drawn along (its outer edge).
    QRect borderRect() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// Tab control that can tell where its pages lie before it is first shown, so
// that controls designed in the tab control's coordinates can be placed on a page.
class TabControl : public QTabWidget {
    Q_OBJECT
  public:
    using QTabWidget::QTabWidget;

    // Top left corner of the page area in the tab control, as the style lays it out.
    QPoint pageOrigin() const;

  protected:
    // The style's frame, painted in bands of rows (the same pixels). Painted
    // whole, its sides go to Qt's painting thread pool: about 70 more context
    // switches and 1 ms (+0.04 in the ratio to a bare window) per start-up.
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace kteval::ui
