// The collection tools of the main window (search, duplicates, orphans, export)
// and the M3U playlist commands.

#include <QFileInfo>
#include <QFontInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QScopeGuard>

#include "app/ui/main_window.h"
#include "catalogue/m3u_playlist.h"
#include "catalogue/ui/list_page.h"
#include "catalogue/ui/song_grid.h"
#include "picture/ui/picture_box.h"
#include "tools/list_export.h"
#include "tools/ui/autoadding_dialog.h"
#include "tools/ui/doubles_dialog.h"
#include "tools/ui/export_dialog.h"
#include "tools/ui/find_dialog.h"
#include "tools/ui/orphans_dialog.h"
#include "widgets/ui/byte_text.h"
#include "widgets/ui/coloured_tab_widget.h"
#include "widgets/ui/prompts.h"
#include "widgets/ui/windows_colour.h"

namespace tv {
namespace {

std::uint32_t Rgb(const QColor& colour) {
    return colour.rgb() & 0xFFFFFFu;
}

// M3U and M3U8 files, upper and lower case.
// Both kinds under the first entry: the dialog shows that one first, and both
// are read.
const QString kPlaylistFilter = QStringLiteral(
    "Playlisten (M3U, M3U8)|*.m3u;*.M3U;*.m3u8;*.M3U8|M3U|*.M3U;*.m3u|M3U8|*.M3U8;*.m3u8");

}  // namespace

ListKind TForm1::ActiveListKind() const {
    for (ListKind kind : {ListKind::Selection, ListKind::Playlist, ListKind::Doubles})
        if (pageControl_->currentWidget() == Page(kind)) return kind;
    return ListKind::Catalogue;
}

void TForm1::BtnFindClick() {
    findDlg_->SetFirstSearch(true);
    findDlg_->exec();
    UpdateStatusBars();
}

void TForm1::SIFindDoublesClick() {
    finddouble_->exec();
    UpdateStatusBars();
}

void TForm1::BtnNonExistClick() {
    if (prompts_.Ask(this, QStringLiteral("Verwaiste Einträge löschen?"),
                     QStringLiteral("Sollen alle verwaisten Einträge aus der Datenbank entfernt "
                                    "werden?"),
                     PromptIcon::Question, PromptButtons::OkCancel) != PromptAnswer::Ok)
        return;
    formDelNo_->exec();
    UpdateStatusBars();
}

void TForm1::BtnSaveCSVClick() {
    const ListKind kind = ActiveListKind();
    const QString caption = pageControl_->tabText(pageControl_->indexOf(Page(kind)));
    frmExport_->setWindowTitle(caption + QStringLiteral(" exportieren"));
    // The written file may be one the lists name: the sizes are summed again.
    const auto refresh = qScopeGuard([this] { UpdateStatusBars(); });
    if (frmExport_->exec() != QDialog::Accepted) return;

    // The look of the list on screen: its background, its header row in the tab
    // colours with the header's font, the playing row's colour.
    SongGrid* grid = Page(kind)->Grid();
    ExportLook look;
    look.ListBackground = Rgb(grid->palette().color(QPalette::Base));
    look.Header.Background = Rgb(ColourFromWindows(TabColor(kind)));
    const QFont headerFont = grid->horizontalHeader()->font();
    look.Header.Font = ExportFont{Rgb(ColourFromWindows(TabFontColor(kind))),
                                  QFontInfo(headerFont).pointSize(),
                                  headerFont.bold(),
                                  headerFont.italic(),
                                  headerFont.strikeOut(),
                                  headerFont.underline()};
    const auto format = static_cast<ExportFormat>(frmExport_->RGFormatItemIndex());
    const QString fileName = frmExport_->EdtFileName()->text();
    try {
        WriteExport(ListOf(kind), format, look, BytesFromQString(fileName));
    } catch (const std::exception& error) {
        prompts_.Tell(this, QStringLiteral("Exportieren"),
                      QStringLiteral("Die Datei ") + fileName +
                          QStringLiteral(" kann nicht geschrieben werden: ") + ErrorText(error),
                      PromptIcon::Error);
        return;
    }
    prompts_.Tell(this, QStringLiteral("Exportiert"),
                  caption + QStringLiteral(" nach ") + fileName + QStringLiteral(" exportiert."),
                  PromptIcon::Information);
}

void TForm1::M3USaveClick() {
    if (playlist_.IsEmpty()) return;
    FileDialogRequest request;
    request.Title = QStringLiteral("WinAmp-M2U speichern");
    request.Filter = kPlaylistFilter;
    request.DefaultSuffix = QStringLiteral("M3U");
    request.Folder = saveDialogInitialDir_;
    request.FileName = saveDialogFileName_;
    const std::optional<QString> chosen = prompts_.SaveFile(this, request);
    if (!chosen) return;
    saveDialogInitialDir_ = QFileInfo(*chosen).absolutePath();
    saveDialogFileName_ = *chosen;
    try {
        WriteM3U(playlist_, BytesFromQString(*chosen));
    } catch (const std::exception& error) {
        prompts_.Tell(this, QStringLiteral("WinAmp-Playliste M3U sichern"),
                      QStringLiteral("Die Playliste ") + *chosen +
                          QStringLiteral(" kann nicht gespeichert werden: ") + ErrorText(error),
                      PromptIcon::Error);
    }
}

void TForm1::M3ULoadClick() {
    FileDialogRequest request;
    request.Title = QStringLiteral("WinAmp-M3U öffnen");
    request.Filter = kPlaylistFilter;
    request.DefaultSuffix = QStringLiteral("M3U");
    request.Folder = openDialogInitialDir_;
    request.FileName = openDialogFileName_;
    const std::optional<QString> chosen = prompts_.OpenFile(this, request);
    if (!chosen) return;
    openDialogInitialDir_ = QFileInfo(*chosen).absolutePath();
    openDialogFileName_ = *chosen;
    const QString title = QStringLiteral("WinAmp-Playliste M3U laden");
    std::vector<M3UEntry> entries;
    try {
        entries = ReadM3U(BytesFromQString(*chosen));
    } catch (const std::exception& error) {
        prompts_.Tell(this, title,
                      QStringLiteral("Die Playliste ") + *chosen +
                          QStringLiteral(" kann nicht gelesen werden: ") + ErrorText(error),
                      PromptIcon::Error);
        return;
    }
    if (entries.empty()) {
        prompts_.Tell(this, title,
                      QStringLiteral("Die Playliste ") + *chosen +
                          QStringLiteral(" enthält keine Einträge."),
                      PromptIcon::Information);
        return;
    }
    AppendM3UEntries(playlist_, entries);
    UpdateStatusBars();
    // Paths on a Windows drive name nothing here: say so, with the first few.
    QStringList onDrives;
    for (const M3UEntry& entry : entries)
        if (entry.OnWindowsDrive) onDrives << QString::fromStdString(entry.FileName);
    if (!onDrives.isEmpty()) {
        const int total = static_cast<int>(onDrives.size());
        if (total > 5) onDrives = onDrives.mid(0, 5) << QStringLiteral("…");
        prompts_.Tell(this, title,
                      QStringLiteral("%1 Einträge der Playliste nennen ein Windows-Laufwerk und "
                                     "keine Datei auf diesem Rechner:\n%2")
                          .arg(total)
                          .arg(onDrives.join(QLatin1Char('\n'))),
                      PromptIcon::Warning);
    }
}

void TForm1::BtnAutoAddClick() {
    StGrdMain()->setEnabled(false);
    // Rows added by the scan get no cover picture.
    kdImage1_->Clear();
    rememberedPictureName_.clear();
    autoadding_->exec();
    StGrdMain()->setEnabled(true);
    UpdateStatusBars();
}

}  // namespace tv
