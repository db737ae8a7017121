#include "picture/ui/cover_window.h"

#include <QVBoxLayout>

#include "picture/ui/picture_box.h"
#include "widgets/ui/form_placement.h"

namespace tv {

TImagePanel::TImagePanel(QWidget* parent, const std::filesystem::path& settingsPath,
                         Prompts& prompts)
    : CompanionWindow(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      picture_(new TPictureBox(this)) {
    setObjectName(QStringLiteral("ImagePanel"));
    setWindowTitle(QStringLiteral("MP3-TUNEVAULT Cover"));
    picture_->setObjectName(QStringLiteral("KDImage1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(picture_);
    resize(656, 674);
    placement_ = std::make_unique<FormPlacement>(this, settingsPath, QStringLiteral("ImagePanel"),
                                                 FormPlacement::Parts::PositionSizeState, prompts);
}

TImagePanel::~TImagePanel() {
    placement_.reset();
}

}  // namespace tv
