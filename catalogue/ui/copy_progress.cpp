#include "catalogue/ui/copy_progress.h"

#include <QApplication>
#include <QProgressBar>
#include <QVBoxLayout>

#include "widgets/ui/status_panels.h"

namespace tv {

TForm7::TForm7(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint),
      status_(new StatusPanels(this)) {
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Kopieren"));
    setFixedSize(305, 132);
    setModal(false);

    auto* animation = new QProgressBar(this);  // a running bar: rows are being copied
    animation->setRange(0, 0);
    animation->setTextVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 24, 0, 0);
    layout->addWidget(animation);
    layout->addStretch(1);
    layout->addWidget(status_);
}

void TForm7::Start() {
    status_->SetPanelText(0, QString());
    lastCount_ = 0;
    show();
    raise();
    QApplication::processEvents();
    sinceDrawn_.start();
}

void TForm7::ShowCopied(int count) {
    lastCount_ = count;
    if (sinceDrawn_.elapsed() >= 30) {
        status_->SetPanelText(0, QStringLiteral(" %1 Einträge kopiert").arg(count));
        sinceDrawn_.restart();
    }
    // User input waits: the lists must not change under the running copy.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TForm7::Finish() {
    if (lastCount_ > 0)
        status_->SetPanelText(0, QStringLiteral(" %1 Einträge kopiert").arg(lastCount_));
    hide();
}

QString TForm7::StatusText() const {
    return status_->PanelText(0);
}

}  // namespace tv
