#include "tools/ui/orphans_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "catalogue/song_columns.h"
#include "catalogue/ui/catalogue_host.h"
#include "tools/orphan_check.h"
#include "widgets/ui/byte_text.h"
#include "widgets/ui/paint_throttle.h"
#include "widgets/ui/program_locale.h"
#include "widgets/ui/prompts.h"
#include "widgets/ui/status_panels.h"

namespace tv {
namespace {

const QString kRowLabel = QStringLiteral("Bearbeite Eintrag Nr.: ");
const QString kDeletedLabel = QStringLiteral("Bisher gelöschte Einträge : ");

}  // namespace

TFormDelNo::TFormDelNo(CatalogueHost& host)
    : QDialog(host.HostWindow()),
      host_(host),
      gauge1_(new QProgressBar(this)),
      label1_(new QLabel(kRowLabel, this)),
      label2_(new QLabel(kDeletedLabel + QStringLiteral("0"), this)),
      statusBar1_(new StatusPanels({300}, this)),
      timer1_(new QTimer(this)) {
    setObjectName(QStringLiteral("FormDelNo"));
    setWindowTitle(QStringLiteral("Verwaiste Eintäge löschen"));
    setModal(true);
    gauge1_->setObjectName(QStringLiteral("Gauge1"));
    gauge1_->setTextVisible(false);
    label1_->setObjectName(QStringLiteral("Label1"));
    label2_->setObjectName(QStringLiteral("Label2"));
    statusBar1_->setObjectName(QStringLiteral("StatusBar1"));
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(1);
    timer1_->setSingleShot(true);
    connect(timer1_, &QTimer::timeout, this, &TFormDelNo::Timer1Timer);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(gauge1_);
    layout->addWidget(label1_);
    layout->addWidget(label2_);
    layout->addWidget(statusBar1_);
    setMinimumWidth(420);
}

void TFormDelNo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Each opening starts afresh.
    label1_->setText(kRowLabel);
    label2_->setText(kDeletedLabel + QStringLiteral("0"));
    statusBar1_->SetPanelText(0, QString());
    gauge1_->setValue(0);
    timer1_->start();
}

std::vector<int> TFormDelNo::RowsToKeepUnlessConfirmed() {
    const SongList& catalogue = host_.Catalogue();
    OrphanCheck check;
    std::vector<int> unreachable;
    for (int row = 1; row <= catalogue.DataRowCount(); ++row) {
        const std::string path(catalogue.Cell(row, colFileName));
        if (!path.empty() && !check.FolderReachable(path)) unreachable.push_back(row);
    }
    if (unreachable.empty()) return {};
    // Each folder once, in the list's order; the first few are named.
    constexpr std::size_t kNamed = 5;
    std::unordered_set<std::string_view> seen;
    std::vector<std::string_view> folders;
    for (const int row : unreachable) {
        const std::string_view folder = FolderOf(catalogue.Cell(row, colFileName));
        if (seen.insert(folder).second) folders.push_back(folder);
    }
    const QString count = ProgramLocale().toString(static_cast<qlonglong>(unreachable.size()));
    QString text;
    if (folders.size() == 1) {
        text = QStringLiteral("Der Ordner ") + QStringFromBytes(std::string(folders.front())) +
               QStringLiteral(" ist nicht erreichbar (%1 Einträge). Diese Einträge trotzdem löschen?")
                   .arg(count);
    } else {
        QStringList named;
        for (std::size_t i = 0; i < folders.size() && i < kNamed; ++i)
            named << QStringFromBytes(std::string(folders[i]));
        if (folders.size() > kNamed)
            named << QStringLiteral("… und %1 weitere")
                         .arg(ProgramLocale().toString(
                             static_cast<qlonglong>(folders.size() - kNamed)));
        text = QStringLiteral("%1 Ordner sind nicht erreichbar (%2 Einträge):\n%3\n\n"
                              "Diese Einträge trotzdem löschen?")
                   .arg(ProgramLocale().toString(static_cast<qlonglong>(folders.size())), count,
                        named.join(QLatin1Char('\n')));
    }
    const PromptAnswer answer =
        host_.UserPrompts().Ask(this, QStringLiteral("Verwaiste Einträge löschen?"), text,
                                PromptIcon::Question, PromptButtons::YesNo);
    return answer == PromptAnswer::Yes ? std::vector<int>{} : unreachable;
}

void TFormDelNo::Timer1Timer() {
    timer1_->stop();
    busy_ = true;
    SongList& catalogue = host_.Catalogue();
    // Rows in folders that cannot be reached are asked about first.
    const std::vector<int> kept = RowsToKeepUnlessConfirmed();
    std::vector<char> keep(static_cast<std::size_t>(catalogue.DataRowCount()) + 1, 0);
    for (const int row : kept) keep[static_cast<std::size_t>(row)] = 1;

    const int rows = catalogue.DataRowCount();
    gauge1_->setRange(0, rows);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int deleted = 0;
    std::vector<int> doomed;
    OrphanCheck check;
    {
        // Labels and status are redrawn a few times a second, not for every row.
        PaintThrottle throttle(this);
        QElapsedTimer sinceShown;
        sinceShown.start();
        for (int row = rows; row >= 1 && !host_.QuitRequested(); --row) {
            QApplication::processEvents();
            const std::string path(catalogue.Cell(row, colFileName));
            const bool gone =
                !keep[static_cast<std::size_t>(row)] &&
                (check.Check(path) == SongFileState::Missing || !check.FolderReachable(path));
            if (gone) {
                ++deleted;
                doomed.push_back(row);
            }
            if (sinceShown.elapsed() >= 20 || row == 1) {
                gauge1_->setValue(rows - row + 1);
                label1_->setText(kRowLabel + QString::number(row));
                label2_->setText(kDeletedLabel + QString::number(deleted));
                statusBar1_->SetPanelText(0, QStringFromBytes(path));
                sinceShown.restart();
            }
            throttle.Tick();
        }
    }
    std::reverse(doomed.begin(), doomed.end());
    if (!doomed.empty()) catalogue.RemoveRows(doomed);
    label1_->setText(kRowLabel);
    label2_->setText(kDeletedLabel + QString::number(deleted));
    gauge1_->setValue(0);
    QApplication::restoreOverrideCursor();
    statusBar1_->SetPanelText(0, QString::number(deleted) + QStringLiteral(" Einträge gelöscht!"));
    busy_ = false;
}

void TFormDelNo::reject() {
    if (busy_ && !host_.QuitRequested()) return;
    QDialog::reject();
}

void TFormDelNo::closeEvent(QCloseEvent* event) {
    if (busy_ && !host_.QuitRequested()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace tv
