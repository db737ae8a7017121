#include "burning/ui/burn_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <filesystem>

#include "base/output_file.h"
#include "burning/burn_job.h"
#include "burning/image_recorder.h"
#include "burning/ui/media_change_watcher.h"
#include "catalogue/song_columns.h"
#include "catalogue/song_list.h"
#include "catalogue/ui/catalogue_host.h"
#include "widgets/ui/byte_text.h"
#include "widgets/ui/form_placement.h"
#include "widgets/ui/program_locale.h"
#include "widgets/ui/prompts.h"
#include "widgets/ui/qt_main_thread_invoker.h"
#include "widgets/ui/status_panels.h"

namespace tv {
namespace {

// A number with the given decimals and the user's decimal separator.
QString Decimal(double value, int decimals) {
    return ProgramLocale().toString(value, 'f', decimals).remove(ProgramLocale().groupSeparator());
}

}  // namespace

TMP3Burn::TMP3Burn(CatalogueHost& host)
    : QDialog(host.HostWindow()),
      host_(host),
      invoker_(std::make_unique<QtMainThreadInvoker>()),
      panel1_(new QWidget(this)),
      cbDrives_(new QComboBox(panel1_)),
      memo_(new QPlainTextEdit(this)),
      panel2_(new QWidget(this)),
      gauge_(new QProgressBar(panel2_)),
      btnErase_(new QPushButton(QStringLiteral("&Löschen"), panel2_)),
      btnBurn_(new QPushButton(QStringLiteral("Brennen"), panel2_)),
      status_(new StatusPanels({146, 156, 50}, this)),
      timer1_(new QTimer(this)),
      timer2_(new QTimer(this)) {
    setObjectName(QStringLiteral("MP3Burn"));
    setWindowTitle(QStringLiteral("MP3-TUNEVAULT Brenner"));
    setModal(true);
    resize(482, 302);

    panel1_->setObjectName(QStringLiteral("Panel1"));
    panel1_->setFixedHeight(41);
    cbDrives_->setObjectName(QStringLiteral("cbDrives"));
    cbDrives_->setEditable(false);
    auto* top = new QHBoxLayout(panel1_);
    auto* label = new QLabel(QStringLiteral("Laufwerk  : "), panel1_);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    top->addWidget(label);
    top->addWidget(cbDrives_, 1);

    memo_->setObjectName(QStringLiteral("Memo1"));
    memo_->setReadOnly(true);
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    panel2_->setObjectName(QStringLiteral("Panel2"));
    panel2_->setFixedHeight(41);
    gauge_->setObjectName(QStringLiteral("Gauge1"));
    gauge_->setTextVisible(false);
    btnErase_->setObjectName(QStringLiteral("BtnErase"));
    btnErase_->setEnabled(false);
    btnBurn_->setObjectName(QStringLiteral("BtnBurn"));
    auto* bottom = new QHBoxLayout(panel2_);
    bottom->addWidget(gauge_, 1);
    bottom->addWidget(btnErase_);
    bottom->addWidget(btnBurn_);
    status_->setObjectName(QStringLiteral("StatusBar"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel1_);
    layout->addWidget(memo_, 1);
    layout->addWidget(panel2_);
    layout->addWidget(status_);

    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(1);
    timer1_->setSingleShot(true);
    timer2_->setObjectName(QStringLiteral("Timer2"));
    timer2_->setInterval(500);
    connect(timer1_, &QTimer::timeout, this, &TMP3Burn::Timer1Timer);
    connect(timer2_, &QTimer::timeout, this, &TMP3Burn::Timer2Timer);
    connect(cbDrives_, &QComboBox::activated, this, [this] { cbDrivesChange(); });
    connect(btnBurn_, &QPushButton::clicked, this, &TMP3Burn::BtnBurnClick);
    connect(btnErase_, &QPushButton::clicked, this, &TMP3Burn::BtnEraseClick);

    // The burner and its events.
    burner_ = std::make_unique<TDiscBurner>(layer_, invoker_.get());
    TDiscBurner& b = *burner_;
    b.DoDebug = true;
    b.UnderrunProtection = true;
    b.SetCacheSize(4194304);
    b.WritePostGap = true;
    b.FinalizeDisc = b.TestWrite = b.ReplaceFile = b.PerformOPC = false;
    b.ReadSpeed = 0;
    b.OnDebugMessage = [this](TSCSIDevice&, const std::string& message, std::uint8_t) {
        dburnDebugMessage(message);
    };
    b.OnAddFile = [](TDiscBurner& sender, const std::string& fullPath, std::string& longName,
                     std::string&, TDateTime&, std::uint32_t, std::uint64_t,
                     bool& skip) { SkipUnburnableFile(sender, fullPath, longName, skip); };
    b.OnWriteDone = [this](TDiscBurner&, const std::string& error) { dburnWriteDone(error); };
    b.OnEraseDone = [this](TSCSIDevice&, bool withError) { dburnEraseDone(withError); };
    b.OnFinalizingTrack = [](TDiscBurner& sender) {
        sender.DebugMessage(">>> FINALIZING TRACK.", 0);
    };

    watcher_ = new MediaChangeWatcher(this);
    connect(watcher_, &MediaChangeWatcher::MediaChanged, this, &TMP3Burn::WMDeviceChange);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    placement_ = std::make_unique<FormPlacement>(
        this, host_.SettingsPath(), QStringLiteral("Burner"),
        FormPlacement::Parts::PositionSizeState, host_.UserPrompts());
}

TMP3Burn::~TMP3Burn() {
    placement_.reset();
    burner_.reset();  // a running job stops here, without its events
}

void TMP3Burn::StartJob(const SongList& list) {
    files_.clear();
    for (int row = 1; row <= list.DataRowCount(); ++row)
        files_.emplace_back(list.Cell(row, colFileName));
    timer1_->start();
}

bool TMP3Burn::Busy() const {
    return burner_->Burning() || burner_->Erasing() || timer2_->isActive();
}

void TMP3Burn::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    gauge_->setRange(0, 0);
    gauge_->setMaximum(0);
    gauge_->setValue(0);
}

void TMP3Burn::AppendLine(const QString& line) {
    memo_->appendPlainText(line);
    memo_->verticalScrollBar()->setValue(memo_->verticalScrollBar()->maximum());
}

void TMP3Burn::dburnDebugMessage(const std::string& message) {
    const QString line = QStringFromBytes(message);
    // Lines of the write and erase threads come to the window in their order.
    if (QThread::currentThread() == thread())
        AppendLine(line);
    else
        QMetaObject::invokeMethod(
            this, [this, line] { AppendLine(line); }, Qt::QueuedConnection);
}

void TMP3Burn::SetWorking(bool working, const QString& action) {
    panel1_->setEnabled(!working);
    panel2_->setEnabled(!working);
    status_->SetPanelText(2, action);
    if (working)
        timer2_->start();
    else
        timer2_->stop();
}

void TMP3Burn::Timer1Timer() {
    timer1_->stop();
    memo_->clear();
    // The image recorder is the last drive of the list.
    if (!imageRecorder_) imageRecorder_ = std::make_unique<ImageRecorder>(layer_);
    TDiscBurner& b = *burner_;
    if (!b.InitializeASPI(true, "")) {
        btnBurn_->setEnabled(false);
        AppendLine(QStringLiteral(">>> Error initializing ASPI Layer!"));
    }
    cbDrives_->clear();
    for (const std::string& line : b.DeviceList()) cbDrives_->addItem(QStringFromBytes(line));
    if (cbDrives_->count() == 0) {
        btnBurn_->setEnabled(false);
    } else {
        cbDrives_->setCurrentIndex(0);
        cbDrivesChange();
    }
    b.ResetImage(65535, 8191);
    const std::uint64_t total =
        InsertJobFiles(b, files_,
                       [this](const std::string& line) { AppendLine(QStringFromBytes(line)); })
            .TotalBytes;
    status_->SetPanelText(0, QStringLiteral("Größe : ") +
                                 Decimal(static_cast<double>(total) / 1048576.0, 2) +
                                 QStringLiteral(" MB"));
}

void TMP3Burn::cbDrivesChange() {
    burner_->SetDevice(BytesFromQString(cbDrives_->currentText()));
    AppendLine(QStringLiteral(">>> SELECTING ") + QStringFromBytes(burner_->DeviceId()));
    RefreshDiscInfo();
}

void TMP3Burn::RefreshDiscInfo() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setEnabled(false);
    btnBurn_->setEnabled(false);
    TDiscBurner& b = *burner_;
    TDisc disc;
    b.GetDiscInfo(disc);
    const std::uint8_t type = b.GetDiscType();
    QString text = QStringLiteral(" ") +
                   QString::fromLatin1(DiscTypeNames[type < DiscTypeNames.size() ? type : 0]);
    btnErase_->setEnabled(text.contains(QStringLiteral("RW")));
    const std::uint32_t free = b.GetFreeBlocks();
    text += QStringLiteral(" ") + Decimal(static_cast<double>(free) * 2048 / 1048576, 1) +
            QStringLiteral("MB");
    status_->SetPanelText(1, text);
    // What keeps the drive from burning this disc, in words: no disc, an open
    // tray, a drive that only reads, a pressed or closed disc, no room.
    const QString refusal = QStringFromBytes(BurnRefusal(b));
    if (!refusal.isEmpty()) AppendLine(QStringLiteral("Brennen nicht möglich: ") + refusal);
    btnBurn_->setToolTip(refusal);
    btnBurn_->setEnabled(free != 0 && refusal.isEmpty());
    b.EndCommandRun();
    setEnabled(true);
    QApplication::restoreOverrideCursor();
}

void TMP3Burn::WMDeviceChange(const QString& deviceName) {
    // Another drive's disc is none of this dialog's business.
    if (cbDrives_->count() == 0 || QString::fromStdString(burner_->GetDriveLetter()) != deviceName)
        return;
    // A disc changed while the drive is busy: read it once the job has ended.
    if (Busy()) {
        refreshPending_ = true;
        return;
    }
    if (isVisible() && cbDrives_->count() > 0) RefreshDiscInfo();
}

bool TMP3Burn::ChooseImageFile() {
    Prompts& prompts = host_.UserPrompts();
    FileDialogRequest request;
    request.Title = QStringLiteral("ISO-Abbild speichern");
    request.Filter = QStringLiteral("ISO-Abbild|*.iso");
    request.DefaultSuffix = QStringLiteral("iso");
    const std::optional<QString> chosen = prompts.SaveFile(this, request);
    if (!chosen) return false;
    const std::filesystem::path target = BytesFromQString(*chosen);
    // A file there that is no image (a song chosen by mistake) is asked about once
    // more; a FIFO, device or one of the songs is refused by the image writer.
    std::error_code ignored;
    if (std::filesystem::is_regular_file(target, ignored) && !HoldsIsoImage(target) &&
        prompts.Ask(this, QStringLiteral("ISO-Abbild speichern"),
                    QStringLiteral("\"%1\" ist kein ISO-Abbild. Soll die Datei trotzdem "
                                   "ersetzt werden?")
                        .arg(*chosen),
                    PromptIcon::Warning, PromptButtons::YesNo,
                    PromptAnswer::No) != PromptAnswer::Yes)
        return false;
    std::vector<std::filesystem::path> sources(files_.begin(), files_.end());
    std::string error;
    if (!imageRecorder_->BeginImage(target, IdentitiesOf(sources), error)) {
        prompts.Tell(this, QStringLiteral("Fehler"),
                     QStringLiteral("Das Abbild kann nicht geschrieben werden:\n%1")
                         .arg(QStringFromBytes(error)),
                     PromptIcon::Error);
        return false;
    }
    return true;
}

void TMP3Burn::BtnBurnClick() {
    TDiscBurner& b = *burner_;
    Prompts& prompts = host_.UserPrompts();
    burningImage_ = ImageRecorder::IsSelected(b);
    if (burningImage_ && !ChooseImageFile()) return;
    // The fit is checked on the layout at the address the session will have.
    b.PrepareImage(true);
    // A burn that cannot fit does not start: a write-once disc would be lost.
    const QString noRoom = QString::fromStdString(NoRoomMessage(
        b.ImageSectors(), b.GetFreeBlocks(), ProgramLocale().decimalPoint().toStdString()));
    if (!noRoom.isEmpty()) {
        if (burningImage_) {
            std::string ignored;
            imageRecorder_->FinishImage(false, ignored);
        }
        prompts.Tell(this, QStringLiteral("Zu wenig Platz"), noRoom, PromptIcon::Warning);
        return;
    }
    SetWorking(true, QStringLiteral("CD/DVD brennen"));
    // The write thread owns the layout until the burn has ended: the gauge keeps
    // the size it had when the burn started.
    burnSectors_ = static_cast<int>(b.ImageSectors());
    gauge_->setRange(0, burnSectors_);
    btnBurn_->setEnabled(false);
    writeDoneArrived_ = false;
    // The outcome arrives through dburnWriteDone; a burn refused before it began
    // (the drive held by another program) has raised it already.
    if (!b.BurnImage() && !writeDoneArrived_) {
        SetWorking(false, QString());
        btnBurn_->setEnabled(true);
    }
}

void TMP3Burn::Timer2Timer() {
    TDiscBurner& b = *burner_;
    if (b.Erasing()) {
        gauge_->setRange(0, 100);
        gauge_->setValue(b.EraseProgress());
    } else {
        gauge_->setRange(0, burnSectors_);
        gauge_->setValue(static_cast<int>(b.BytesWritten / 2048));
    }
}

void TMP3Burn::dburnWriteDone(const std::string& result) {
    writeDoneArrived_ = true;
    std::string error = result;
    SetWorking(false, QString());
    btnBurn_->setEnabled(true);
    TDiscBurner& b = *burner_;
    // The disc comes out after every burn, good or not, that reached the drive.
    if (b.BurnClaimedDrive()) b.StartStopUnit(true);
    if (burningImage_) {
        std::string imageError;
        if (!imageRecorder_->FinishImage(error.empty(), imageError) && !imageError.empty())
            error = imageError;
    }
    AppendLine(QStringFromBytes(BurnDoneLine(error)));
    QApplication::beep();
    if (burningImage_) {
        burningImage_ = false;
        refreshPending_ = true;  // a blank image disc is in again
    }
    JobEnded();
}

void TMP3Burn::BtnEraseClick() {
    TDiscBurner& b = *burner_;
    Prompts& prompts = host_.UserPrompts();
    if (const std::string refusal = EraseRefusal(b); !refusal.empty()) {
        prompts.Tell(this, QStringLiteral("Löschen"), QStringFromBytes(refusal),
                     PromptIcon::Information);
        return;
    }
    if (prompts.Ask(this, QStringLiteral("Möchten Sie die CD/DVD löschen ?"),
                    QStringLiteral("Alle Daten auf der CD/DVD gehen verloren"), PromptIcon::Warning,
                    PromptButtons::YesNo, PromptAnswer::No) != PromptAnswer::Yes)
        return;
    SetWorking(true, QStringLiteral("CD/DVD löschen"));
    if (!b.EraseDisc(true) && !b.Erasing()) {
        // Not started (the drive did not become ready, or is held by another
        // program); a refused command has reported itself already.
        if (timer2_->isActive()) {
            SetWorking(false, QString());
            JobEnded();
        }
    }
}

void TMP3Burn::dburnEraseDone(bool) {
    SetWorking(false, QString());
    TDiscBurner& b = *burner_;
    b.DebugMessage(">>> ERASE PROCESS DONE", 0);
    b.WaitForReady(10000, 5000);
    gauge_->setValue(0);
    refreshPending_ = true;
    QApplication::beep();
    JobEnded();
}

void TMP3Burn::JobEnded() {
    if (host_.QuitAfterJob()) {
        QCoreApplication::exit(0);  // the lists were saved when the end was asked for
        return;
    }
    if (refreshPending_) {
        refreshPending_ = false;
        if (cbDrives_->count() > 0) RefreshDiscInfo();
    }
}

void TMP3Burn::reject() {
    if (!Busy()) QDialog::reject();
}

void TMP3Burn::closeEvent(QCloseEvent* event) {
    if (Busy())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

}  // namespace tv
