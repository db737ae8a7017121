#pragma once

#include <QDialog>
#include <QElapsedTimer>

class QLabel;

namespace tv {

class StatusPanels;

// The copy progress window "Kopieren": a small window without title-bar buttons
// that stays on top while rows are copied, with an animation and the count of
// copied rows.
class TForm7 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm7(QWidget* parent = nullptr);

    // Shows the window without waiting and resets the count.
    void Start();
    // Shows " n Einträge kopiert" and lets pending window messages run, so that
    // the count is drawn (repainted at most every 30 ms: copying is not slowed down
    // by drawing). User input waits until the copy has ended.
    void ShowCopied(int count);
    void Finish();

    QString StatusText() const;

  private:
    StatusPanels* status_;
    QElapsedTimer sinceDrawn_;
    int lastCount_ = 0;
};

}  // namespace tv
