#pragma once

#include <QLabel>
#include <QWidget>

namespace tv {

// A status bar with two text panels, 300 pixels and (at least) 50 pixels wide;
// the last panel takes the rest of the width.
class StatusPanels : public QWidget {
    Q_OBJECT
  public:
    explicit StatusPanels(QWidget* parent = nullptr);

    QString PanelText(int panel) const;
    void SetPanelText(int panel, const QString& text);

  private:
    QLabel* panels_[2];
};

}  // namespace tv
