#pragma once

#include <QWidget>
#include <utility>
#include <vector>

#include "widgets/ui/glyphs.h"

class QMenu;
class QToolButton;
class QVBoxLayout;

namespace tv {

class SongGrid;
class SongListModel;
class StatusPanels;

// One tab of the main window: a vertical button bar in the tab colour, the list,
// and below the list its status bar; the list's context menu.
class ListPage : public QWidget {
    Q_OBJECT
  public:
    ListPage(SongListModel* model, const QString& gridName, const QString& barName,
             const QString& statusName, QWidget* parent = nullptr);

    SongGrid* Grid() const noexcept { return grid_; }
    StatusPanels* StatusBar() const noexcept { return status_; }
    QWidget* ButtonBar() const noexcept { return bar_; }
    QMenu* ContextMenu() const noexcept { return menu_; }

    // Adds a button to the bar; its tooltip is the caption unless given.
    QToolButton* AddBarButton(const QString& caption, Glyph glyph,
                              const QString& tooltip = QString());

    // Paints the button bar, its pictures and the list's header row in the tab
    // colours.
    void SetTabColours(const QColor& tab, const QColor& text);

  private:
    SongGrid* grid_;
    StatusPanels* status_;
    QWidget* bar_;
    QVBoxLayout* barLayout_;
    QMenu* menu_;
    std::vector<std::pair<QToolButton*, Glyph>> buttons_;
};

}  // namespace tv
