#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace tv {

class ColouredTabWidget;

// A tab of the main window as the colour dialog takes it over when it is shown:
// caption, tab colour and text colour (Windows colour values).
struct TabColouring {
    QString Caption;
    std::int32_t Tab = 0;
    std::int32_t Text = 0;
};
using TabColouringSource = std::function<TabColouring(int tab)>;

// "Farbeinstellung": the colours of the four list tabs, tried out on four test
// tabs before they are applied. The main window's tabs 0 ... 3 come from
// mainTabs each time the dialog is shown.
class TColorDlg : public QDialog {
    Q_OBJECT
  public:
    TColorDlg(QWidget* parent, TabColouringSource mainTabs);

    ColouredTabWidget* TestTabs() const noexcept { return testTabs_; }
    QComboBox* ColorComboBox1() const noexcept { return comboBox1_; }
    QComboBox* ColorComboBox2() const noexcept { return comboBox2_; }
    QFrame* Preview(int tab) const { return previews_[static_cast<std::size_t>(tab)]; }
    QPushButton* BtnApply() const noexcept { return btnApply_; }
    QPushButton* BtnCancel() const noexcept { return btnCancel_; }

    // The test tabs' captions and colours (Windows colour values), tab 0 ... 3.
    QString TestCaption(int tab) const;
    std::int32_t TestColour(int tab) const { return colours_[static_cast<std::size_t>(tab)].Tab; }
    std::int32_t TestTextColour(int tab) const {
        return colours_[static_cast<std::size_t>(tab)].Text;
    }

    void CSTestColorShow(int tab);
    void ColorComboBoxChange();
    void RefreshPreviews();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    struct Colours {
        std::int32_t Tab = 0;
        std::int32_t Text = 0;
    };
    // Selects a colour in a picker, adding it when it is not one of the named ones.
    static void SelectColour(QComboBox* box, std::int32_t colour);
    static std::int32_t ColourOf(const QComboBox* box);

    TabColouringSource mainTabs_;
    ColouredTabWidget* testTabs_;
    std::array<QFrame*, 4> previews_{};
    std::array<Colours, 4> colours_{};
    QComboBox* comboBox1_;
    QComboBox* comboBox2_;
    QPushButton* btnApply_;
    QPushButton* btnCancel_;
    int guard_ = 0;  // 1 while the program sets the pickers
};

}  // namespace tv
