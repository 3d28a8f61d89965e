#pragma once

// Building blocks of the main window's layout, shared by the files that build
// its tabs. Every position is in twips, relative to the design container
// (window client area, tab control or frame); `origin` is where that
// container's coordinate origin lies in the Qt parent, in pixels (above and
// left of a tab page, zero for frames).

#include <QPoint>
#include <QSize>
#include <QString>

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;

namespace kteval::ui {

class EntryBox;
class LineWidget;
struct MainControls;

namespace layout {

// A control's place in twips, relative to its design container.
struct Place {
    int left;
    int top;
    int width;
    int height;
};

// "name_index", the object name of a member of an indexed group.
QString indexed(const char* name, int index);

QLabel* label(QWidget* parent, const QString& name, const QString& text, Place place,
              QPoint origin = {}, bool bold = false);
QLabel* rightLabel(QWidget* parent, const QString& name, const QString& text, Place place,
                   QPoint origin = {}, bool bold = false);
// White, single-line bordered, centred register value.
QLabel* valueLabel(QWidget* parent, const QString& name, const QString& text, Place place,
                   QPoint origin = {});
QPushButton* button(QWidget* parent, const QString& name, const QString& text, Place place,
                    QPoint origin = {}, bool bold = false);
// Captioned option button; at least as tall as the style's indicator, centred
// vertically on its place.
QRadioButton* option(QWidget* parent, const QString& name, const QString& text, Place place);
// Option button showing only its indicator, centred on the 195 x 195 twips
// square at (left, top).
QRadioButton* bareOption(QWidget* parent, const QString& name, int left, int top);
EntryBox* entry(QWidget* parent, const QString& name, const QString& text, Place place,
                QPoint origin = {});
QGroupBox* frame(QWidget* parent, const QString& name, const QString& title, Place place,
                 QPoint origin = {});
// Two pixels wide unless told otherwise.
LineWidget* line(QWidget* parent, const QString& name, QPoint from, QPoint to, QPoint origin = {},
                 int penWidth = 2);

// The tabs; each page's controls are designed in the tab control's coordinates.
void buildDacsTab(QWidget* page, QPoint origin, MainControls& c);
void buildRegisterPath(QGroupBox* frmGroup, MainControls& c);
void buildOffsetsTab(QWidget* page, QPoint origin, MainControls& c);
void buildSignalsTab(QWidget* page, QPoint origin, MainControls& c);
void buildOutputsTab(QWidget* page, QPoint origin, MainControls& c);

}  // namespace layout
}  // namespace kteval::ui
