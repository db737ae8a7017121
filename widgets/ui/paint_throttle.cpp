#include "widgets/ui/paint_throttle.h"

#include <QApplication>

namespace tv {

PaintThrottle::PaintThrottle(QWidget* window, int intervalMs)
    : window_(window), intervalMs_(intervalMs), wasEnabled_(window->updatesEnabled()) {
    window_->setUpdatesEnabled(false);
    sincePaint_.start();
}

PaintThrottle::~PaintThrottle() {
    if (window_) window_->setUpdatesEnabled(wasEnabled_);
}

void PaintThrottle::Tick() {
    if (!window_ || !wasEnabled_ || sincePaint_.elapsed() < intervalMs_) return;
    window_->setUpdatesEnabled(true);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    window_->setUpdatesEnabled(false);
    sincePaint_.restart();
}

}  // namespace tv
