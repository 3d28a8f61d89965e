#include "operator_gate.h"

#include <QApplication>

#include "operations.h"

namespace kteval::ui {

bool operatorBusy(const remote::Operations& operations) {
    return QApplication::activeModalWidget() != nullptr || operations.operatorBusy();
}

}  // namespace kteval::ui
