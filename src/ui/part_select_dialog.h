#pragma once

#include <QDialog>
#include <array>

class QLabel;
class QPushButton;

namespace kteval::ui {

// frmPartSelect: "Select Part" above one button per part. A button reports its
// index and closes the dialog (accepted); closing it otherwise reports nothing.
class PartSelectDialog : public QDialog {
    Q_OBJECT
  public:
    explicit PartSelectDialog(QWidget* parent = nullptr);

    QLabel* label() const { return Label1_; }
    QPushButton* partButton(int index) const { return cmdPART_.at(static_cast<size_t>(index)); }

  signals:
    void partChosen(int index);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QLabel* Label1_ = nullptr;
    std::array<QPushButton*, 8> cmdPART_{};
};

}  // namespace kteval::ui
