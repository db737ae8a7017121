#pragma once

#include <QWidget>

class QTimer;

namespace tv {

// A one-line text that runs from right to left while scrolling is on; yellow bold
// on blue.
class ScrollingLabel : public QWidget {
    Q_OBJECT
  public:
    explicit ScrollingLabel(QWidget* parent = nullptr);

    QString Text() const { return text_; }
    void SetText(const QString& text);
    void SetScrolling(bool on);
    bool Scrolling() const noexcept;
    // Back to the start of the text.
    void Rewind();

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString text_;
    QTimer* timer_;
    int offset_ = 0;
};

}  // namespace tv
