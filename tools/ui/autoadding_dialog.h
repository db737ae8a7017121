#pragma once

#include <QDialog>
#include <QStringList>
#include <memory>

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace tv {

class FormPlacement;
class CatalogueHost;

// The folder scan "AutoAdding": "&Suchen" walks the chosen folder tree and
// collects the audio files the catalogue does not hold yet; "&Einfügen" adds each
// of them through the main window's details panel, as if it had been chosen
// there and confirmed.
class TAutoadding : public QDialog {
    Q_OBJECT
  public:
    explicit TAutoadding(CatalogueHost& host);
    ~TAutoadding() override;

    QLineEdit* DirEdit() const noexcept { return dirEdit_; }
    QToolButton* SpeedButton2() const noexcept { return speedButton2_; }
    QCheckBox* CBmp3() const noexcept { return cbMp3_; }
    QCheckBox* CBwma() const noexcept { return cbWma_; }
    QCheckBox* CBwav() const noexcept { return cbWav_; }
    QLineEdit* EdtGesamt() const noexcept { return edtGesamt_; }
    QLineEdit* Edtfertig() const noexcept { return edtFertig_; }
    QLineEdit* EdtSoll() const noexcept { return edtSoll_; }
    QProgressBar* Gauge1() const noexcept { return gauge1_; }
    QPushButton* SearchBtn() const noexcept { return searchBtn_; }
    QPushButton* OKBtn() const noexcept { return okBtn_; }
    QPushButton* CancelBtn() const noexcept { return cancelBtn_; }
    // The quoted paths to add; a single empty entry when there are none.
    const QStringList& StGridAutoadd() const noexcept { return toAdd_; }

    void SpeedButton2Click();
    void DirEditChange();
    void SpeedButton1Click();  // the scan phase
    void OKBtnClick();         // the adding phase

  public slots:
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void SetBusy(bool busy);
    void ShowCounters();

    CatalogueHost& host_;
    QLineEdit* dirEdit_;
    QToolButton* speedButton2_;
    QCheckBox* cbMp3_;
    QCheckBox* cbWma_;
    QCheckBox* cbWav_;
    QLineEdit* edtGesamt_;
    QLineEdit* edtFertig_;
    QLineEdit* edtSoll_;
    QProgressBar* gauge1_;
    QPushButton* searchBtn_;
    QPushButton* okBtn_;
    QPushButton* cancelBtn_;
    std::unique_ptr<FormPlacement> placement_;
    QStringList toAdd_{QString()};
    int found_ = 0;
    int present_ = 0;
    int wanted_ = 0;
    bool busy_ = false;
};

}  // namespace tv
