#include "catalogue/ui/list_page.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

#include "catalogue/ui/song_grid.h"
#include "widgets/ui/status_panels.h"

namespace tv {

ListPage::ListPage(SongListModel* model, const QString& gridName, const QString& barName,
                   const QString& statusName, QWidget* parent)
    : QWidget(parent),
      grid_(new SongGrid(model, this)),
      status_(new StatusPanels(this)),
      bar_(new QWidget(this)),
      barLayout_(new QVBoxLayout(bar_)),
      menu_(new QMenu(this)) {
    grid_->setObjectName(gridName);
    bar_->setObjectName(barName);
    status_->setObjectName(statusName);

    bar_->setFixedWidth(41);
    bar_->setAutoFillBackground(true);
    barLayout_->setContentsMargins(2, 2, 2, 2);
    barLayout_->setSpacing(2);
    barLayout_->addStretch(1);

    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    right->addWidget(grid_, 1);
    right->addWidget(status_);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar_);
    layout->addLayout(right, 1);

    connect(grid_, &SongGrid::ContextMenuWanted, menu_,
            [this](const QPoint& position) { menu_->popup(position); });
}

QToolButton* ListPage::AddBarButton(const QString& caption, Glyph glyph, const QString& tooltip) {
    auto* button = new QToolButton(bar_);
    button->setText(caption);
    button->setToolTip(tooltip.isEmpty() ? caption : tooltip);
    button->setAccessibleName(caption);
    button->setIcon(GlyphIcon(glyph, bar_->palette().color(QPalette::ButtonText)));
    buttons_.emplace_back(button, glyph);
    button->setIconSize(QSize(24, 24));
    button->setFixedSize(37, 37);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setAutoRaise(true);
    barLayout_->insertWidget(barLayout_->count() - 1, button);
    return button;
}

void ListPage::SetTabColours(const QColor& tab, const QColor& text) {
    QPalette colours = bar_->palette();
    colours.setColor(QPalette::Window, tab);
    colours.setColor(QPalette::Button, tab);
    colours.setColor(QPalette::ButtonText, text);
    bar_->setPalette(colours);
    for (const auto& [button, glyph] : buttons_) button->setIcon(GlyphIcon(glyph, text));
    grid_->SetHeaderColours(tab, text);
}

}  // namespace tv
