// The list commands of the main window: sorting, deleting and marking rows,
// copying rows into the playlist, and the status bars.

#include <QApplication>

#include "burning/ui/burn_dialog.h"
#include "catalogue/list_operations.h"
#include "catalogue/list_status.h"
#include "catalogue/ui/copy_progress.h"
#include "catalogue/ui/list_page.h"
#include "catalogue/ui/main_window.h"
#include "catalogue/ui/song_grid.h"
#include "picture/ui/picture_box.h"
#include "tools/ui/autoadding_dialog.h"
#include "widgets/ui/coloured_tab_widget.h"
#include "widgets/ui/program_locale.h"
#include "widgets/ui/prompts.h"
#include "widgets/ui/status_panels.h"

namespace tv {

void TForm1::UpdateStatusBars(SizeRefresh refresh) {
    const std::string separator = ProgramLocale().decimalPoint().toStdString();
    for (ListKind kind :
         {ListKind::Catalogue, ListKind::Selection, ListKind::Playlist, ListKind::Doubles}) {
        const SongList& list = ListOf(kind);
        StatusPanels* bar = Page(kind)->StatusBar();
        bar->SetPanelText(0, QString::fromStdString(ListCountText(list, kind)));
        if (kind == ListKind::Catalogue) continue;  // its size is never summed
        SizeText& size = sizeTexts_[Index(kind)];
        if (refresh == SizeRefresh::Always || size.Revision != list.Revision()) {
            size.Text = QString::fromStdString(ListSizeText(list, separator));
            size.Revision = list.Revision();
        }
        bar->SetPanelText(1, size.Text);
    }
}

void TForm1::CPageControlChange() {
    UpdateStatusBars();
}

void TForm1::StGrdFixedColClick(SongGrid* grid, int column) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    grid->setEnabled(false);
    // The first press on a header sorts ascending, a second press on the same
    // header descending, the next ascending again.
    if (grid->Tag() == column + 1) {
        SortListByColumn(grid->List(), column, false);
        grid->SetTag(0);
    } else {
        SortListByColumn(grid->List(), column, true);
        grid->SetTag(column + 1);
    }
    grid->setEnabled(true);
    QApplication::restoreOverrideCursor();
}

bool TForm1::ConfirmDeletion(const QString& question) {
    return prompts_.Ask(this, QStringLiteral("Löschen"), question, PromptIcon::Question,
                        PromptButtons::YesNo) == PromptAnswer::Yes;
}

void TForm1::DeleteSelectedRows(ListKind kind, const QString& question) {
    if (!ConfirmDeletion(question)) return;
    SongList& list = ListOf(kind);
    const int top = list.SelectionTop();
    const int bottom = list.SelectionBottom();
    if (kind == ListKind::Catalogue) {
        // The rows go from the other lists too.
        SongList* others[] = {&doubles_, &selection_, &playlist_};
        DeleteCatalogueRows(list, top, bottom, others);
    } else {
        DeleteListRows(list, top, bottom);
    }
    UpdateStatusBars(SizeRefresh::IfListsChanged);
}

void TForm1::DelRowMainClick() {
    DeleteSelectedRows(ListKind::Catalogue,
                       QStringLiteral("Einträge wirklich aus Datenbank löschen?"));
}

void TForm1::DelRowSelClick() {
    DeleteSelectedRows(ListKind::Selection,
                       QStringLiteral("Einträge wirklich aus Auswahl löschen?"));
}

void TForm1::DelRowPlaylistClick() {
    DeleteSelectedRows(ListKind::Playlist,
                       QStringLiteral("Einträge wirklich aus Playliste löschen?"));
}

void TForm1::DelRowDoubleClick() {
    DeleteSelectedRows(ListKind::Doubles,
                       QStringLiteral("Einträge wirklich aus Dubletten löschen?"));
}

void TForm1::MarkAllMainClick() {
    SelectAllRows(catalogue_);
}
void TForm1::MarkAllSelClick() {
    SelectAllRows(selection_);
}
void TForm1::MarkallplayClick() {
    SelectAllRows(playlist_);
}
void TForm1::MarkAllDoubleClick() {
    SelectAllRows(doubles_);
}

void TForm1::copytoplaylistClick() {
    const bool fromCatalogue = pageControl_->currentWidget() == Page(ListKind::Catalogue);
    const SongList& source = fromCatalogue ? catalogue_ : selection_;
    AppendRowsWithProgress(source, playlist_, source.SelectionTop(), source.SelectionBottom(),
                           true);
}

int TForm1::AppendRowsWithProgress(const SongList& source, SongList& target, int firstRow,
                                   int lastRow, bool showProgress) {
    if (!showProgress) return AppendUniqueRows(source, target, firstRow, lastRow);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    form7_->Start();
    const int copied = AppendUniqueRows(source, target, firstRow, lastRow,
                                        [this](int count) { form7_->ShowCopied(count); });
    form7_->Finish();
    QApplication::restoreOverrideCursor();
    return copied;
}

void TForm1::SISelBurnMP3Click() {
    mp3Burn_->StartJob(selection_);
    mp3Burn_->exec();
}

void TForm1::SIPlayBurnMP3Click() {
    mp3Burn_->StartJob(playlist_);
    mp3Burn_->exec();
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
