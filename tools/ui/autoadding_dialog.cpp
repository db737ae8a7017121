#include "tools/ui/autoadding_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"
#include "catalogue/ui/catalogue_host.h"
#include "tools/folder_scan.h"
#include "widgets/ui/byte_text.h"
#include "widgets/ui/folder_picker.h"
#include "widgets/ui/form_placement.h"
#include "widgets/ui/glyphs.h"
#include "widgets/ui/paint_throttle.h"

namespace tv {
namespace {

QLineEdit* Counter(QWidget* parent, const QString& name, const QString& hint) {
    auto* counter = new QLineEdit(QStringLiteral("0"), parent);
    counter->setObjectName(name);
    counter->setReadOnly(true);
    counter->setAlignment(Qt::AlignRight);
    counter->setFixedWidth(80);
    counter->setToolTip(hint);
    return counter;
}

}  // namespace

TAutoadding::TAutoadding(CatalogueHost& host)
    : QDialog(host.HostWindow(), Qt::Dialog | Qt::WindowStaysOnTopHint),
      host_(host),
      dirEdit_(new QLineEdit(this)),
      speedButton2_(new QToolButton(this)),
      cbMp3_(new QCheckBox(QStringLiteral("mp3"), this)),
      cbWma_(new QCheckBox(QStringLiteral("wma"), this)),
      cbWav_(new QCheckBox(QStringLiteral("wav"), this)),
      edtGesamt_(
          Counter(this, QStringLiteral("EdtGesamt"), QStringLiteral("Alle gefundenen Dateien"))),
      edtFertig_(Counter(this, QStringLiteral("Edtfertig"),
                         QStringLiteral("Alle schon aufgenommenen Dateien"))),
      edtSoll_(Counter(this, QStringLiteral("EdtSoll"),
                       QStringLiteral("Alle zu übernehmenden Dateien"))),
      gauge1_(new QProgressBar(this)),
      searchBtn_(new QPushButton(QStringLiteral("&Suchen"), this)),
      okBtn_(new QPushButton(QStringLiteral("&Einfügen"), this)),
      cancelBtn_(new QPushButton(QStringLiteral("Beenden"), this)) {
    setObjectName(QStringLiteral("Autoadding"));
    setWindowTitle(QStringLiteral("AutoAdding"));
    setModal(true);

    dirEdit_->setObjectName(QStringLiteral("DirEdit"));
    dirEdit_->setReadOnly(true);
    dirEdit_->setMinimumWidth(320);
    speedButton2_->setObjectName(QStringLiteral("SpeedButton2"));
    speedButton2_->setIcon(GlyphIcon(Glyph::Browse, palette().color(QPalette::ButtonText)));
    speedButton2_->setToolTip(QStringLiteral("Verzeichnis auswählen"));
    auto* types = new QGroupBox(QStringLiteral("Audio- Dateien"), this);
    types->setToolTip(QStringLiteral("Auswahl aufzunehmender Dateitypen"));
    for (QCheckBox* box : {cbMp3_, cbWma_, cbWav_}) box->setChecked(true);
    cbMp3_->setObjectName(QStringLiteral("CBmp3"));
    cbWma_->setObjectName(QStringLiteral("CBwma"));
    cbWav_->setObjectName(QStringLiteral("CBwav"));
    auto* typeLayout = new QHBoxLayout(types);
    typeLayout->addWidget(cbMp3_);
    typeLayout->addWidget(cbWma_);
    typeLayout->addWidget(cbWav_);
    gauge1_->setObjectName(QStringLiteral("Gauge1"));
    gauge1_->setRange(0, 1);
    gauge1_->setValue(0);
    searchBtn_->setObjectName(QStringLiteral("SearchBtn"));
    searchBtn_->setEnabled(false);
    okBtn_->setObjectName(QStringLiteral("OKBtn"));
    okBtn_->setToolTip(QStringLiteral("Übernahme starten"));
    okBtn_->setEnabled(false);
    okBtn_->setDefault(true);
    cancelBtn_->setObjectName(QStringLiteral("CancelBtn"));
    cancelBtn_->setToolTip(QStringLiteral("Abbruch"));

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(new QLabel(QStringLiteral("Dateipfad :"), this));
    folderRow->addWidget(dirEdit_, 1);
    folderRow->addWidget(speedButton2_);
    auto* counters = new QGridLayout;
    counters->addWidget(new QLabel(QStringLiteral("Dateien gesamt : "), this), 0, 0);
    counters->addWidget(edtGesamt_, 0, 1);
    counters->addWidget(new QLabel(QStringLiteral("Dateien fertig :"), this), 1, 0);
    counters->addWidget(edtFertig_, 1, 1);
    counters->addWidget(new QLabel(QStringLiteral("Dateien Vorlage :"), this), 2, 0);
    counters->addWidget(edtSoll_, 2, 1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(types);
    middle->addStretch(1);
    middle->addLayout(counters);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(searchBtn_);
    buttons->addWidget(okBtn_);
    buttons->addWidget(cancelBtn_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(folderRow);
    layout->addLayout(middle);
    layout->addWidget(gauge1_);
    layout->addLayout(buttons);

    connect(speedButton2_, &QToolButton::clicked, this, &TAutoadding::SpeedButton2Click);
    connect(dirEdit_, &QLineEdit::textChanged, this, &TAutoadding::DirEditChange);
    connect(searchBtn_, &QPushButton::clicked, this, &TAutoadding::SpeedButton1Click);
    connect(okBtn_, &QPushButton::clicked, this, &TAutoadding::OKBtnClick);
    connect(cancelBtn_, &QPushButton::clicked, this, &TAutoadding::reject);

    // Centred on the screen, unless the settings say where it stood.
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    placement_ =
        std::make_unique<FormPlacement>(this, host_.SettingsPath(), QStringLiteral("AUTOADDING"),
                                        FormPlacement::Parts::PositionOnly, host_.UserPrompts());
    FormStorage& storage = placement_->Storage();
    storage.AddTextProperty(
        "DirEdit.Text", [this] { return BytesFromQString(dirEdit_->text()); },
        [this](const std::string& text) { dirEdit_->setText(QStringFromBytes(text)); },
        FormStorage::TextKind::FileName);
    for (QCheckBox* box : {cbMp3_, cbWav_, cbWma_}) {
        storage.AddBoolProperty(
            box->objectName().toStdString() + ".Checked", [box] { return box->isChecked(); },
            [box](bool on) { box->setChecked(on); });
    }
}

TAutoadding::~TAutoadding() = default;

void TAutoadding::SpeedButton2Click() {
    QString folder = dirEdit_->text();
    BrowseForFolder(host_.UserPrompts(), this, QStringLiteral("Verzeichnis auswählen"), QString(),
                    folder, false, false, false);
    dirEdit_->setText(folder);
}

void TAutoadding::DirEditChange() {
    searchBtn_->setEnabled(!busy_ && !dirEdit_->text().isEmpty());
}

// While a phase runs, nothing can start one again or change what it works on,
// and the dialog cannot be closed.
void TAutoadding::SetBusy(bool busy) {
    busy_ = busy;
    for (QWidget* control : std::initializer_list<QWidget*>{speedButton2_, cbMp3_, cbWma_, cbWav_,
                                                            searchBtn_, okBtn_, cancelBtn_})
        control->setEnabled(!busy);
}

void TAutoadding::ShowCounters() {
    edtGesamt_->setText(QString::number(found_));
    edtFertig_->setText(QString::number(present_));
    edtSoll_->setText(QString::number(wanted_));
}

void TAutoadding::SpeedButton1Click() {
    SetBusy(true);
    found_ = present_ = wanted_ = 0;
    ShowCounters();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    toAdd_ = QStringList{QString()};

    const AudioTypes types{cbMp3_->isChecked(), cbWma_->isChecked(), cbWav_->isChecked()};
    const SongList& catalogue = host_.Catalogue();
    QElapsedTimer sinceShown;
    sinceShown.start();
    ScanAudioFolder(
        BytesFromQString(dirEdit_->text()), types,
        [&] {
            // The counters are drawn ten times a second, not for every file.
            if (sinceShown.elapsed() >= 100) {
                ShowCounters();
                sinceShown.restart();
            }
            QApplication::processEvents();
            return !host_.QuitRequested();  // the program is ending: stop walking
        },
        [&](const std::string& path) {
            ++found_;
            if (FindSongRow(catalogue, path, colFileName) > 0) {
                ++present_;
                return;
            }
            ++wanted_;
            const QString quoted = QLatin1Char('"') + QStringFromBytes(path) + QLatin1Char('"');
            if (toAdd_.size() == 1 && toAdd_.front().isEmpty())
                toAdd_.front() = quoted;
            else
                toAdd_.append(quoted);
        });
    ShowCounters();
    QApplication::restoreOverrideCursor();

    SetBusy(false);
    okBtn_->setEnabled(wanted_ != 0);
    searchBtn_->setEnabled(!dirEdit_->text().isEmpty());
    gauge1_->setRange(0, static_cast<int>(toAdd_.size()));
    gauge1_->setValue(0);
    if (host_.QuitRequested()) reject();
}

void TAutoadding::OKBtnClick() {
    SetBusy(true);
    host_.SetAdding(true);
    gauge1_->setValue(0);
    // The main window shows the progress ten times a second; painting it for every
    // file would take far longer than adding the file.
    PaintThrottle throttle(host_.HostWindow());
    for (const QString& entry : std::as_const(toAdd_)) {
        if (entry.isEmpty()) continue;
        host_.ShowFileInPanel(entry);
        // Every change the reading caused is handled before the row is stored.
        QApplication::processEvents();
        host_.StoreSongDetails(host_.Catalogue(), entry, false);
        gauge1_->setValue(gauge1_->value() + 1);
        throttle.Tick();
        if (host_.QuitRequested()) break;  // the program is ending; what was added stays
    }
    host_.SetAdding(false);
    SetBusy(false);
    okBtn_->setEnabled(false);  // the same list is not added twice
    searchBtn_->setEnabled(!dirEdit_->text().isEmpty());
    if (host_.QuitRequested()) reject();
}

void TAutoadding::reject() {
    if (!busy_) QDialog::reject();
}

void TAutoadding::closeEvent(QCloseEvent* event) {
    if (busy_)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

}  // namespace tv
