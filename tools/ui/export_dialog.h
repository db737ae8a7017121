#pragma once

#include <QDialog>
#include <memory>

class QButtonGroup;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace tv {

class FormPlacement;
class CatalogueHost;

// "… exportieren": asks for the format and the file the active list is exported
// to. The file name and the format are kept in the "EXPORT" section of the
// settings file.
class TFrmExport : public QDialog {
    Q_OBJECT
  public:
    explicit TFrmExport(CatalogueHost& host);
    ~TFrmExport() override;

    QRadioButton* Format(int index) const { return formats_[index]; }
    int RGFormatItemIndex() const;
    void SetRGFormatItemIndex(int index);
    QLineEdit* EdtFileName() const noexcept { return edtFileName_; }
    QToolButton* SpeedButton1() const noexcept { return speedButton1_; }
    QPushButton* BtnOK() const noexcept { return btnOK_; }
    QPushButton* BtnCancel() const noexcept { return btnCancel_; }

    void EdtFileNameChange();
    void SpeedButton1Click();

  private:
    CatalogueHost& host_;
    QRadioButton* formats_[3];
    QButtonGroup* rgFormat_;
    QLineEdit* edtFileName_;
    QToolButton* speedButton1_;
    QPushButton* btnOK_;
    QPushButton* btnCancel_;
    std::unique_ptr<FormPlacement> placement_;
};

}  // namespace tv
