#include "credits_window.h"

#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "widgets.h"

// The picture is compiled into this static library, whose resource
// registration the linker would otherwise drop; registering it only when it is
// missing keeps it to one registration. (Resource initialisation cannot be
// called from inside a namespace.)
static void ensureCreditsResource(const char* path) {
    if (!QFile::exists(path)) Q_INIT_RESOURCE(credits);
}

namespace kteval::ui {

namespace {

constexpr const char* kPicturePath = ":/kteval/credits.png";

}  // namespace

CreditsWindow::CreditsWindow(QWidget* parent) : QDialog(parent) {
    ensureCreditsResource(kPicturePath);
    setObjectName("created");
    setWindowTitle(QString());
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(windowFont(true));
    resize(twips(0, 0, 5730, 4650).size());

    Label1_ = new QLabel("kteval \u2014 written by the kteval developers", this);
    Label1_->setObjectName("Label1");
    Label1_->setAlignment(Qt::AlignCenter);
    Label1_->setGeometry(twips(315, 210, 4845, 225));

    const QPixmap image(kPicturePath);
    Picture1_ = new QLabel(this);
    Picture1_->setObjectName("Picture1");
    Picture1_->setPixmap(image);
    Picture1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // At least the picture's own size, so none of it is cut off.
    Picture1_->setGeometry(QRect(twips(420, 420, 4845, 2955).topLeft(),
                                 twips(420, 420, 4845, 2955).size().expandedTo(image.size())));

    Command1_ = new QPushButton("Back to the Real World...", this);
    Command1_->setObjectName("Command1");
    Command1_->setAutoDefault(false);
    Command1_->setGeometry(twips(1680, 3675, 2430, 645));
    connect(Command1_, &QPushButton::clicked, this, &QWidget::close);
}

void CreditsWindow::centreOnScreen() {
    kteval::ui::centreOnScreen(*this);
}

void CreditsWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOnScreen();
}

}  // namespace kteval::ui
