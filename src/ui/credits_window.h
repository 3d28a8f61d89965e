#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kteval::ui {

// The credits window "created": a credit line, a picture and a button that
// closes it. Destroyed when closed; centred on the screen whenever shown.
class CreditsWindow : public QDialog {
    Q_OBJECT
  public:
    explicit CreditsWindow(QWidget* parent = nullptr);

    // Top = (screen height - window height) / 2, Left likewise.
    void centreOnScreen();

    QLabel* creditLine() const { return Label1_; }
    QLabel* picture() const { return Picture1_; }
    QPushButton* backButton() const { return Command1_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QLabel* Label1_ = nullptr;
    QLabel* Picture1_ = nullptr;
    QPushButton* Command1_ = nullptr;
};

}  // namespace kteval::ui
