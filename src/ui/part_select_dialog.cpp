#include "part_select_dialog.h"

#include <QLabel>
#include <QPushButton>

#include "widgets.h"

namespace kteval::ui {

namespace {

const char* const kPartNames[8] = {"KT4410", "KT4411", "KT4412", "KT4413",
                                   "KT4420", "KT4421", "KT4422", "KT4423"};

}  // namespace

PartSelectDialog::PartSelectDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("frmPartSelect");
    setWindowTitle(QString());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(windowFont());
    setFixedSize(twips(0, 0, 2700, 4350).size());

    Label1_ = new QLabel("Select Part", this);
    Label1_->setObjectName("Label1");
    QFont title = windowFont(true);
    title.setPointSizeF(13.5);
    Label1_->setFont(title);
    Label1_->setAlignment(Qt::AlignCenter);
    // Wider than designed, about the same centre, so the larger type fits.
    Label1_->setGeometry(twips(120, 120, 2460, 360));

    for (int i = 0; i < 8; ++i) {
        auto* button = new QPushButton(kPartNames[i], this);
        button->setObjectName(QString("cmdPART_%1").arg(i));
        button->setGeometry(twips(540, 660 + 420 * i, 1635, 375));
        connect(button, &QPushButton::clicked, this, [this, i] {
            emit partChosen(i);
            accept();
        });
        cmdPART_[static_cast<size_t>(i)] = button;
    }
}

void PartSelectDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOnScreen(*this);
}

}  // namespace kteval::ui
