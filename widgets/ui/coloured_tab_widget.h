#pragma once

#include <QColor>
#include <QTabBar>
#include <QTabWidget>
#include <QVector>

namespace tv {

// A tab bar whose tabs are painted in their own colours: each tab filled with its
// tab colour and its caption in its text colour.
class ColouredTabBar : public QTabBar {
    Q_OBJECT
  public:
    explicit ColouredTabBar(QWidget* parent = nullptr);

    void SetTabColours(int index, const QColor& tab, const QColor& text);
    QColor TabColour(int index) const;
    QColor TabTextColour(int index) const;

  protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
    void paintEvent(QPaintEvent* event) override;

  private:
    struct Colours {
        QColor Tab;
        QColor Text;
    };
    QVector<Colours> colours_;
};

// A tab widget with a ColouredTabBar.
class ColouredTabWidget : public QTabWidget {
    Q_OBJECT
  public:
    explicit ColouredTabWidget(QWidget* parent = nullptr);
    ColouredTabBar* ColouredBar() const { return bar_; }

  private:
    ColouredTabBar* bar_;
};

}  // namespace tv
