#pragma once

#include <QDialog>
#include <memory>

class QPushButton;
class QSpinBox;

namespace tv {

class FormPlacement;
class CatalogueHost;

// "Zufallsauswahl": how many random songs go into the playlist. The last number
// is kept in the "RANDOMPLAY" section of the settings file.
class TFrmRandom : public QDialog {
    Q_OBJECT
  public:
    explicit TFrmRandom(CatalogueHost& host);
    ~TFrmRandom() override;

    QSpinBox* SpinEdit1() const noexcept { return spinEdit1_; }
    QPushButton* BitBtn1() const noexcept { return bitBtn1_; }
    QPushButton* BitBtn2() const noexcept { return bitBtn2_; }
    void SetMaximum(int maximum);
    int Maximum() const noexcept { return maximum_; }
    // A value above the maximum goes back to it, with a beep.
    void SpinEdit1Change();

  private:
    QSpinBox* spinEdit1_;
    QPushButton* bitBtn1_;
    QPushButton* bitBtn2_;
    std::unique_ptr<FormPlacement> placement_;
    int maximum_ = 0;
};

}  // namespace tv
