#pragma once

#include <QDialog>
#include <filesystem>
#include <memory>

namespace tv {

class FormPlacement;
class Prompts;
class TPictureBox;

// "MP3-TUNEVAULT Cover": the cover picture large, in a window of its own that
// stays on top. It reports being shown and being closed by the user (the main
// window keeps that as its open flag).
class TImagePanel : public QDialog {
    Q_OBJECT
  public:
    TImagePanel(QWidget* parent, const std::filesystem::path& settingsPath, Prompts& prompts);
    ~TImagePanel() override;

    TPictureBox* KDImage1() const noexcept { return picture_; }

  public slots:
    void reject() override;

  signals:
    void Shown();
    void ClosedByUser();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    TPictureBox* picture_;
    std::unique_ptr<FormPlacement> placement_;
};

}  // namespace tv
