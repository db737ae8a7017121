#include "files/ui/file_copy_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>

#include "widgets/ui/byte_text.h"
#include "widgets/ui/program_locale.h"
#include "widgets/ui/prompts.h"

namespace tv {
namespace {

QString Megabytes(std::uint64_t bytes) {
    return ProgramLocale().toString(static_cast<double>(bytes) / 1048576.0, 'f', 1);
}

}  // namespace

TFileCopyDialog::TFileCopyDialog(QWidget* parent, Prompts& prompts)
    : QDialog(parent),
      prompts_(prompts),
      fileLabel_(new QLabel(this)),
      countLabel_(new QLabel(this)),
      gauge_(new QProgressBar(this)),
      cancelButton_(new QPushButton(QStringLiteral("Abbrechen"), this)),
      refresh_(new QTimer(this)) {
    setObjectName(QStringLiteral("FileCopyDialog"));
    setModal(true);
    setMinimumWidth(440);
    fileLabel_->setObjectName(QStringLiteral("LblFile"));
    countLabel_->setObjectName(QStringLiteral("LblCount"));
    gauge_->setObjectName(QStringLiteral("Gauge"));
    gauge_->setRange(0, 1000);
    cancelButton_->setObjectName(QStringLiteral("BtnCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fileLabel_);
    layout->addWidget(countLabel_);
    layout->addWidget(gauge_);
    layout->addLayout(buttons);
    connect(cancelButton_, &QPushButton::clicked, this, &TFileCopyDialog::reject);
    refresh_->setInterval(100);
    connect(refresh_, &QTimer::timeout, this, &TFileCopyDialog::ShowProgress);
}

TFileCopyDialog::~TFileCopyDialog() {
    // The window goes (the program ends): the worker stops, a question it waits
    // for is answered "cancel", and it is waited for.
    if (operation_) operation_->Cancel();
    {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    answered_.notify_all();
    if (worker_.joinable()) worker_.join();
}

bool TFileCopyDialog::Run(TShFileOP& operation) {
    if (running_) return false;  // one operation at a time
    operation_ = &operation;
    {
        std::lock_guard lock(mutex_);
        currentFile_.clear();
        files_ = filesDone_ = 0;
        bytes_ = bytesDone_ = 0;
        abandoned_ = false;
    }
    setWindowTitle(operation.Title.empty() ? QStringLiteral("Kopieren")
                                           : QString::fromStdString(operation.Title));
    fileLabel_->clear();
    countLabel_->clear();
    gauge_->setValue(0);
    cancelButton_->setText(QStringLiteral("Abbrechen"));
    cancelButton_->setEnabled(true);
    running_ = true;
    finished_ = false;
    // A cancel from now on, even before the worker runs, stops the operation.
    operation.ResetCancel();
    worker_ = std::thread([this] {
        result_ = operation_->Execute(*this);
        finished_ = true;
        QMetaObject::invokeMethod(
            this, [this] { ShowSummary(); }, Qt::QueuedConnection);
    });
    refresh_->start();
    exec();
    // exec ends when the worker has finished, or when the program ends.
    if (!finished_) {
        operation_->Cancel();
        {
            std::lock_guard lock(mutex_);
            abandoned_ = true;
        }
        answered_.notify_all();
    }
    worker_.join();
    refresh_->stop();
    running_ = false;
    operation_ = nullptr;
    return result_;
}

void TFileCopyDialog::reject() {
    if (!running_ || finished_) {
        QDialog::reject();
        return;
    }
    operation_->Cancel();
    cancelButton_->setEnabled(false);
    fileLabel_->setText(QStringLiteral("Wird abgebrochen …"));
}

void TFileCopyDialog::ShowSummary() {
    // What happened stays readable for a moment; the window then closes by
    // itself (nobody has to be there), or at once with "Schließen".
    refresh_->stop();
    ShowProgress();
    const TShFileOP::Tally& counts = operation_->Counts();
    const QString verb = operation_->Operation == TShOp::shDelete ? QStringLiteral("gelöscht")
                         : operation_->Operation == TShOp::shMove ? QStringLiteral("verschoben")
                         : operation_->Operation == TShOp::shRename
                             ? QStringLiteral("umbenannt")
                             : QStringLiteral("kopiert");
    QString text = (operation_->Aborted() ? QStringLiteral("Abgebrochen: ")
                                          : QStringLiteral("Fertig: ")) +
                   QStringLiteral("%1 %2 %3").arg(counts.Done).arg(
                       counts.Done == 1 ? QStringLiteral("Datei") : QStringLiteral("Dateien"),
                       verb);
    if (counts.Skipped > 0) text += QStringLiteral(", %1 übersprungen").arg(counts.Skipped);
    if (counts.Failed > 0) text += QStringLiteral(", %1 fehlgeschlagen").arg(counts.Failed);
    fileLabel_->setText(text + QLatin1Char('.'));
    if (!operation_->Aborted() && counts.Failed == 0) gauge_->setValue(gauge_->maximum());
    cancelButton_->setText(QStringLiteral("Schließen"));
    cancelButton_->setEnabled(true);
    QTimer::singleShot(kSummaryMilliseconds, this, [this] {
        if (isVisible()) accept();
    });
}

void TFileCopyDialog::ShowProgress() {
    std::lock_guard lock(mutex_);
    if (!currentFile_.empty() && cancelButton_->isEnabled())
        fileLabel_->setText(
            QStringFromBytes(std::filesystem::path(currentFile_).filename().string()));
    countLabel_->setText(QStringLiteral("%1 von %2 Dateien, %3 von %4 MB")
                             .arg(filesDone_)
                             .arg(files_)
                             .arg(Megabytes(bytesDone_), Megabytes(bytes_)));
    gauge_->setValue(bytes_ > 0   ? static_cast<int>(bytesDone_ * 1000 / bytes_)
                     : files_ > 0 ? filesDone_ * 1000 / files_
                                  : 0);
}

void TFileCopyDialog::Started(int files, std::uint64_t bytes) {
    std::lock_guard lock(mutex_);
    files_ = files;
    bytes_ = bytes;
}

bool TFileCopyDialog::Progress(const std::string& file, int filesDone, std::uint64_t bytesDone) {
    std::lock_guard lock(mutex_);
    currentFile_ = file;
    filesDone_ = filesDone;
    bytesDone_ = bytesDone;
    return !abandoned_;
}

int TFileCopyDialog::AskInMainThread(const std::function<int()>& ask, int fallback) {
    int serial = 0;
    {
        std::lock_guard lock(mutex_);
        if (abandoned_) return fallback;
        serial = ++questionSerial_;
    }
    QMetaObject::invokeMethod(
        this,
        [this, ask, serial] {
            const int answer = ask();
            {
                std::lock_guard lock(mutex_);
                answer_ = answer;
                answerSerial_ = serial;
            }
            answered_.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(mutex_);
    answered_.wait(lock, [&] { return answerSerial_ == serial || abandoned_; });
    return answerSerial_ == serial ? answer_ : fallback;
}

ReplaceAnswer TFileCopyDialog::AskReplace(const std::string& target) {
    const int answer = AskInMainThread(
        [this, target] {
            return prompts_.Choose(
                this, QStringLiteral("Datei ersetzen?"),
                QStringLiteral("Die Datei %1 gibt es schon. Soll sie ersetzt werden?")
                    .arg(QStringFromBytes(target)),
                PromptIcon::Question,
                {QStringLiteral("Ja"), QStringLiteral("Ja, alle"), QStringLiteral("Nein"),
                 QStringLiteral("Abbrechen")});
        },
        3);
    static constexpr ReplaceAnswer kAnswers[] = {ReplaceAnswer::Yes, ReplaceAnswer::YesToAll,
                                                 ReplaceAnswer::No, ReplaceAnswer::Cancel};
    return kAnswers[std::clamp(answer, 0, 3)];
}

bool TFileCopyDialog::SkipUnfitNames(const std::vector<std::string>& names) {
    QStringList shown;
    for (const std::string& name : names)
        shown << QStringFromBytes(std::filesystem::path(name).filename().string());
    const int answer = AskInMainThread(
        [this, shown] {
            return prompts_.Choose(
                this, QStringLiteral("Ungültige Dateinamen"),
                QStringLiteral("Diese Dateinamen kann das Ziel nicht aufnehmen (Zeichen wie \" * : "
                               "< > ? \\ |, ein Punkt oder Leerzeichen am Ende, zu lang):\n\n") +
                    shown.join(QLatin1Char('\n')) +
                    QStringLiteral("\n\nSollen diese Dateien übersprungen werden?"),
                PromptIcon::Warning, {QStringLiteral("Überspringen"), QStringLiteral("Abbrechen")});
        },
        1);
    return answer == 0;
}

void TFileCopyDialog::Failed(const std::string& file, const std::string& reason) {
    AskInMainThread(
        [this, file, reason] {
            prompts_.Tell(this, QStringLiteral("Fehler"),
                          QStringLiteral("Die Datei %1 konnte nicht kopiert werden: %2")
                              .arg(QStringFromBytes(file), QString::fromStdString(reason)),
                          PromptIcon::Error);
            return 0;
        },
        0);
}

}  // namespace tv
