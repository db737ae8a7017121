#include "widgets/ui/status_panels.h"

#include <QHBoxLayout>

namespace tv {

StatusPanels::StatusPanels(QWidget* parent) : StatusPanels({300, 50}, parent) {}

StatusPanels::StatusPanels(std::initializer_list<int> widths, QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 1, 0, 1);
    layout->setSpacing(2);
    std::size_t index = 0;
    for (const int width : widths) {
        auto* panel = new QLabel(this);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setTextInteractionFlags(Qt::NoTextInteraction);
        const bool last = ++index == widths.size();
        if (last)
            panel->setMinimumWidth(width);
        else
            panel->setFixedWidth(width);
        layout->addWidget(panel, last ? 1 : 0);
        panels_.push_back(panel);
    }
}

QString StatusPanels::PanelText(int panel) const {
    return panel >= 0 && panel < static_cast<int>(panels_.size())
               ? panels_[static_cast<std::size_t>(panel)]->text()
               : QString();
}

void StatusPanels::SetPanelText(int panel, const QString& text) {
    if (panel >= 0 && panel < static_cast<int>(panels_.size()))
        panels_[static_cast<std::size_t>(panel)]->setText(text);
}

}  // namespace tv
