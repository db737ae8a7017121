#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QTimer;

namespace tv {

class StatusPanels;
class CatalogueHost;

// "Verwaiste Eintäge löschen": removes from the catalogue every row whose file no
// longer exists. The work starts by itself once the dialog is on screen; the user
// closes it when it is done. Rows whose folder cannot be reached (an unplugged
// disk, an unmounted share) are deleted only when the user says so.
class TFormDelNo : public QDialog {
    Q_OBJECT
  public:
    explicit TFormDelNo(CatalogueHost& host);

    QProgressBar* Gauge1() const noexcept { return gauge1_; }
    QLabel* Label1() const noexcept { return label1_; }
    QLabel* Label2() const noexcept { return label2_; }
    StatusPanels* StatusBar1() const noexcept { return statusBar1_; }
    bool Busy() const noexcept { return busy_; }

    void Timer1Timer();

  public slots:
    void reject() override;  // not while working

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // Asks whether rows in unreachable folders go too; the rows that stay.
    std::vector<int> RowsToKeepUnlessConfirmed();

    CatalogueHost& host_;
    QProgressBar* gauge1_;
    QLabel* label1_;
    QLabel* label2_;
    StatusPanels* statusBar1_;
    QTimer* timer1_;
    bool busy_ = false;
};

}  // namespace tv
