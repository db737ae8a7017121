#pragma once

#include <QDialog>

class QCheckBox;
class QProgressBar;
class QPushButton;

namespace tv {

class CatalogueHost;

// "Mehrfache Einträge finden": compares the catalogue's rows by the chosen
// criteria and fills the doubles list with every row that has a partner. The
// boxes keep their state while the program runs; nothing is stored.
class TFinddouble : public QDialog {
    Q_OBJECT
  public:
    explicit TFinddouble(CatalogueHost& host);

    QCheckBox* CBName() const noexcept { return cbName_; }
    QCheckBox* CBTitel() const noexcept { return cbTitel_; }
    QCheckBox* CBInterpret() const noexcept { return cbInterpret_; }
    QCheckBox* CBLength() const noexcept { return cbLength_; }
    QCheckBox* CBExcact() const noexcept { return cbExcact_; }
    QCheckBox* CBCasesens() const noexcept { return cbCasesens_; }
    QPushButton* BtnStart() const noexcept { return btnStart_; }
    QPushButton* BtnEnde() const noexcept { return btnEnde_; }
    QProgressBar* Gauge1() const noexcept { return gauge1_; }
    bool Busy() const noexcept { return busy_; }

    void CBClick();
    void BtnStartClick();

  public slots:
    void reject() override;  // not while comparing

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    CatalogueHost& host_;
    QCheckBox* cbName_;
    QCheckBox* cbTitel_;
    QCheckBox* cbInterpret_;
    QCheckBox* cbLength_;
    QCheckBox* cbExcact_;
    QCheckBox* cbCasesens_;
    QPushButton* btnStart_;
    QPushButton* btnEnde_;
    QProgressBar* gauge1_;
    bool busy_ = false;
};

}  // namespace tv
