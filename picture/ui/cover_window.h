#pragma once

#include <filesystem>
#include <memory>

#include "widgets/ui/companion_window.h"

namespace tv {

class FormPlacement;
class Prompts;
class TPictureBox;

// "MP3-TUNEVAULT Cover": the cover picture large, in a window of its own that
// stays on top. It reports being shown and being closed by the user (the main
// window keeps that as its open flag).
class TImagePanel : public CompanionWindow {
    Q_OBJECT
  public:
    TImagePanel(QWidget* parent, const std::filesystem::path& settingsPath, Prompts& prompts);
    ~TImagePanel() override;

    TPictureBox* KDImage1() const noexcept { return picture_; }

  private:
    TPictureBox* picture_;
    std::unique_ptr<FormPlacement> placement_;
};

}  // namespace tv
