#pragma once

#include <QStringList>

class QWidget;

// Drops the offscreen platform's harmless "This plugin does not support
// propagateSizeHints()" and prints every other message.
void installOffscreenFilter();

// Object names of the labels, buttons, frames and lists under root whose text
// does not fit the control at its current font (empty when all fit).
QStringList clippedCaptions(const QWidget& root);

// "frame/control" for every control (lines and shapes of the block diagrams
// aside) that lies across a border line of its frame under root. The border
// lines are read from the frame's own painting, its controls left out: rows
// and columns carrying a straight run over at least half the frame.
QStringList controlsAcrossFrameBorders(const QWidget& root);
