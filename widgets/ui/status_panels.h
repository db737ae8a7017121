#pragma once

#include <QLabel>
#include <QWidget>
#include <initializer_list>
#include <vector>

namespace tv {

// A status bar of text panels of the given widths; the last panel takes the rest
// of the width (at least its own). The lists' bars have two: 300 and 50.
class StatusPanels : public QWidget {
    Q_OBJECT
  public:
    explicit StatusPanels(QWidget* parent = nullptr);
    StatusPanels(std::initializer_list<int> widths, QWidget* parent = nullptr);

    QString PanelText(int panel) const;
    void SetPanelText(int panel, const QString& text);

  private:
    std::vector<QLabel*> panels_;
};

}  // namespace tv
