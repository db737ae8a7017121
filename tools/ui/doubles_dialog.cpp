#include "tools/ui/doubles_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "catalogue/ui/catalogue_host.h"
#include "tools/duplicate_finder.h"

namespace tv {
namespace {

QCheckBox* Box(QWidget* parent, const char* name, const QString& caption, const QString& hint) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setToolTip(hint);
    return box;
}

}  // namespace

TFinddouble::TFinddouble(CatalogueHost& host)
    : QDialog(host.HostWindow()),
      host_(host),
      cbName_(Box(this, "CBName", QStringLiteral("Dateiname"),
                  QStringLiteral("an Dateiname erkennen"))),
      cbTitel_(Box(this, "CBTitel", QStringLiteral("Titel"), QStringLiteral("an Titel erkennen"))),
      cbInterpret_(Box(this, "CBInterpret", QStringLiteral("Interpret"),
                       QStringLiteral("an Interpret erkennen"))),
      cbLength_(Box(this, "CBLength", QStringLiteral("Länge / Laufzeit"),
                    QStringLiteral("an Länge / Laufzeit erkennen"))),
      cbExcact_(
          Box(this, "CBExcact", QStringLiteral("exakte Suche"), QStringLiteral("Genaue Suche"))),
      cbCasesens_(Box(this, "CBCasesens", QStringLiteral("Groß-/Kleinschreibung"),
                      QStringLiteral("Groß- / Kleinschreibung beachten"))),
      btnStart_(new QPushButton(QStringLiteral("Start"), this)),
      btnEnde_(new QPushButton(QStringLiteral("Beenden"), this)),
      gauge1_(new QProgressBar(this)) {
    setObjectName(QStringLiteral("Finddouble"));
    setWindowTitle(QStringLiteral("Mehrfache Einträge finden"));
    setModal(true);

    auto* criteria = new QGroupBox(QStringLiteral("Mehrfache Einträge erkennen an"), this);
    auto* criteriaLayout = new QVBoxLayout(criteria);
    for (QCheckBox* box : {cbName_, cbTitel_, cbInterpret_, cbLength_}) {
        box->setParent(criteria);
        criteriaLayout->addWidget(box);
        connect(box, &QCheckBox::clicked, this, &TFinddouble::CBClick);
    }
    auto* options = new QGroupBox(QStringLiteral("Suchoptionen"), this);
    auto* optionsLayout = new QVBoxLayout(options);
    for (QCheckBox* box : {cbExcact_, cbCasesens_}) {
        box->setParent(options);
        optionsLayout->addWidget(box);
    }
    btnStart_->setObjectName(QStringLiteral("BtnStart"));
    btnStart_->setToolTip(QStringLiteral("Starte Suchen nach mehrfachen Einträgen"));
    btnStart_->setDefault(true);
    btnStart_->setEnabled(false);
    btnEnde_->setObjectName(QStringLiteral("BtnEnde"));
    btnEnde_->setToolTip(QStringLiteral("Beende Suchen nach mehrfachen Einträgen"));
    gauge1_->setObjectName(QStringLiteral("Gauge1"));
    gauge1_->setTextVisible(false);

    auto* groups = new QHBoxLayout;
    groups->addWidget(criteria);
    groups->addWidget(options);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnStart_);
    buttons->addWidget(btnEnde_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addWidget(gauge1_);
    layout->addLayout(buttons);

    connect(btnStart_, &QPushButton::clicked, this, &TFinddouble::BtnStartClick);
    connect(btnEnde_, &QPushButton::clicked, this, &QDialog::reject);
}

void TFinddouble::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    gauge1_->setValue(0);
}

void TFinddouble::CBClick() {
    btnStart_->setEnabled(cbName_->isChecked() || cbTitel_->isChecked() ||
                          cbInterpret_->isChecked() || cbLength_->isChecked());
}

void TFinddouble::BtnStartClick() {
    DoubleOptions options;
    if (cbName_->isChecked()) options.Criteria |= kDoubleByName;
    if (cbTitel_->isChecked()) options.Criteria |= kDoubleByTitle;
    if (cbInterpret_->isChecked()) options.Criteria |= kDoubleByArtist;
    if (cbLength_->isChecked()) options.Criteria |= kDoubleByLength;
    options.Exact = cbExcact_->isChecked();
    options.CaseSensitive = cbCasesens_->isChecked();
    if (options.Criteria == 0) return;

    SongList& catalogue = host_.Catalogue();
    SongList& doubles = host_.Doubles();
    FillDoublesList(catalogue, doubles, {}, options);  // emptied at every start
    btnStart_->setEnabled(false);
    btnEnde_->setEnabled(false);
    busy_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    gauge1_->setRange(0, std::max(1, catalogue.DataRowCount() - 1));
    gauge1_->setValue(0);
    // The window stays responsive; a request to end the program stops the
    // comparison (the doubles list stays empty).
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    const auto progress = [&](int row) {
        gauge1_->setValue(row);
        if (sinceEvents.elapsed() >= 50) {
            QApplication::processEvents();
            sinceEvents.restart();
        }
        return !host_.QuitRequested();
    };
    const auto pairs = FindDuplicatePairs(catalogue, options, progress);
    if (!host_.QuitRequested()) {
        FillDoublesList(catalogue, doubles, pairs, options);
        gauge1_->setValue(gauge1_->maximum());
    }
    QApplication::restoreOverrideCursor();
    busy_ = false;
    btnEnde_->setEnabled(true);
}

void TFinddouble::reject() {
    if (busy_ && !host_.QuitRequested()) return;
    QDialog::reject();
}

void TFinddouble::closeEvent(QCloseEvent* event) {
    if (busy_ && !host_.QuitRequested()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace tv
