#include "widgets/ui/companion_window.h"

#include <QCloseEvent>

namespace tv {

CompanionWindow::CompanionWindow(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags) {}

void CompanionWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    emit Shown();
}

void CompanionWindow::closeEvent(QCloseEvent* event) {
    QDialog::closeEvent(event);
    if (event->isAccepted()) emit ClosedByUser();
}

void CompanionWindow::reject() {
    QDialog::reject();  // Escape closes the window as its close box does
    emit ClosedByUser();
}

}  // namespace tv
