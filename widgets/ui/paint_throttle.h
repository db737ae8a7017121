#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

namespace tv {

// Keeps a window from being repainted after every item of a long loop: while it
// lives, the window paints only when Tick finds the interval passed (ten times a
// second by default) and once more at the end. Events are still processed by the
// loop as usual, so the program stays responsive.
class PaintThrottle {
  public:
    explicit PaintThrottle(QWidget* window, int intervalMs = 100);
    PaintThrottle(const PaintThrottle&) = delete;
    PaintThrottle& operator=(const PaintThrottle&) = delete;
    ~PaintThrottle();

    // Lets the window paint when the interval has passed.
    void Tick();

  private:
    QPointer<QWidget> window_;
    int intervalMs_;
    bool wasEnabled_;
    QElapsedTimer sincePaint_;
};

}  // namespace tv
