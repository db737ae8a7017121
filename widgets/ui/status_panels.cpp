#include "widgets/ui/status_panels.h"

#include <QHBoxLayout>

namespace tv {

StatusPanels::StatusPanels(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 1, 0, 1);
    layout->setSpacing(2);
    for (int i = 0; i < 2; ++i) {
        panels_[i] = new QLabel(this);
        panels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panels_[i]->setTextInteractionFlags(Qt::NoTextInteraction);
    }
    panels_[0]->setFixedWidth(300);
    panels_[1]->setMinimumWidth(50);
    layout->addWidget(panels_[0]);
    layout->addWidget(panels_[1], 1);
}

QString StatusPanels::PanelText(int panel) const {
    return panel >= 0 && panel < 2 ? panels_[panel]->text() : QString();
}

void StatusPanels::SetPanelText(int panel, const QString& text) {
    if (panel >= 0 && panel < 2) panels_[panel]->setText(text);
}

}  // namespace tv
