#pragma once

#include <QDialog>

namespace tv {

// A window beside the main window (the player, the cover window) whose being
// open the main window keeps across program runs: it reports being shown, and
// being closed by the user through its close box or Escape.
class CompanionWindow : public QDialog {
    Q_OBJECT
  public:
    CompanionWindow(QWidget* parent, Qt::WindowFlags flags);

  public slots:
    void reject() override;

  signals:
    void Shown();
    void ClosedByUser();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace tv
