#include "widgets/ui/coloured_tab_widget.h"

#include <QPainter>
#include <QStyleOptionTab>

namespace tv {

ColouredTabBar::ColouredTabBar(QWidget* parent) : QTabBar(parent) {
    setDrawBase(false);
    setExpanding(false);
}

void ColouredTabBar::SetTabColours(int index, const QColor& tab, const QColor& text) {
    if (index < 0) return;
    if (colours_.size() <= index) colours_.resize(index + 1);
    colours_[index] = Colours{tab, text};
    update();
}

QColor ColouredTabBar::TabColour(int index) const {
    return index >= 0 && index < colours_.size() ? colours_[index].Tab : QColor();
}

QColor ColouredTabBar::TabTextColour(int index) const {
    return index >= 0 && index < colours_.size() ? colours_[index].Text : QColor();
}

QSize ColouredTabBar::tabSizeHint(int /*index*/) const {
    return QSize(80, 22);
}

void ColouredTabBar::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    for (int i = 0; i < count(); ++i) {
        QRect rect = tabRect(i);
        const bool current = i == currentIndex();
        if (!current) rect.adjust(0, 2, 0, 0);  // the active tab stands out a little
        const QColor fill =
            TabColour(i).isValid() ? TabColour(i) : palette().color(QPalette::Button);
        const QColor text =
            TabTextColour(i).isValid() ? TabTextColour(i) : palette().color(QPalette::ButtonText);
        painter.fillRect(rect.adjusted(1, 0, -1, 0), fill);
        painter.setPen(current ? text : fill.darker(140));
        painter.drawRect(rect.adjusted(1, 0, -2, -1));
        QFont font = painter.font();
        font.setPixelSize(11);
        font.setUnderline(current);
        painter.setFont(font);
        painter.setPen(text);
        painter.drawText(
            rect.adjusted(2, 0, -2, 0), Qt::AlignCenter,
            painter.fontMetrics().elidedText(tabText(i), Qt::ElideRight, rect.width() - 4));
    }
}

ColouredTabWidget::ColouredTabWidget(QWidget* parent)
    : QTabWidget(parent), bar_(new ColouredTabBar(this)) {
    setTabBar(bar_);
}

}  // namespace tv
