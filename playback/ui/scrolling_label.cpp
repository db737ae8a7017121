#include "playback/ui/scrolling_label.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTimer>

namespace tv {

ScrollingLabel::ScrollingLabel(QWidget* parent) : QWidget(parent), timer_(new QTimer(this)) {
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    timer_->setInterval(40);
    connect(timer_, &QTimer::timeout, this, [this] {
        const int width = QFontMetrics(font()).horizontalAdvance(text_) + this->width();
        offset_ = width > 0 ? (offset_ + 2) % width : 0;
        update();
    });
}

void ScrollingLabel::SetText(const QString& text) {
    text_ = text;
    update();
}

void ScrollingLabel::SetScrolling(bool on) {
    if (on)
        timer_->start();
    else
        timer_->stop();
}

bool ScrollingLabel::Scrolling() const noexcept {
    return timer_->isActive();
}

void ScrollingLabel::Rewind() {
    offset_ = 0;
    update();
}

QSize ScrollingLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    return {240, metrics.height() + 6};
}

void ScrollingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 255));
    painter.setPen(QColor(255, 255, 0));
    const QFontMetrics metrics(font());
    const int y = (height() + metrics.ascent() - metrics.descent()) / 2;
    // Scrolling, the text enters from the right edge; at rest it starts at the left.
    const int x = Scrolling() || offset_ > 0 ? width() - offset_ : 2;
    painter.drawText(x, y, text_);
}

}  // namespace tv
