#pragma once

#include <QStringList>

class QWidget;

// Drops the offscreen platform's harmless "This plugin does not support
// propagateSizeHints()" and prints every other message.
void installOffscreenFilter();

// Object names of the labels, buttons, frames and lists under root whose text
// does not fit the control at its current font (empty when all fit).
QStringList clippedCaptions(const QWidget& root);
