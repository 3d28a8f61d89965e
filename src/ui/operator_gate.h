#pragma once

namespace kteval::remote {
class Operations;
}

namespace kteval::ui {

// Whether remote lines must wait for the operator: a modal box of theirs is
// open (its nested event loop runs), or the window says the operator's action
// has not gone on yet (a closed box's event loop still runs what is due before
// the handler does).
bool operatorBusy(const remote::Operations& operations);

}  // namespace kteval::ui
