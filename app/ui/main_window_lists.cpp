// The lists of the main window: their pages with bars, context menus and
// colours, and the list commands: sorting, deleting and marking rows, copying
// rows into the playlist, and the status bars.

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QToolButton>

#include "app/ui/list_tabs.h"
#include "app/ui/main_window.h"
#include "catalogue/list_operations.h"
#include "catalogue/list_status.h"
#include "catalogue/ui/copy_progress.h"
#include "catalogue/ui/list_page.h"
#include "catalogue/ui/song_grid.h"
#include "catalogue/ui/song_list_model.h"
#include "settings/ui/colour_dialog.h"

#include "widgets/ui/coloured_tab_widget.h"
#include "widgets/ui/glyphs.h"
#include "widgets/ui/program_locale.h"
#include "widgets/ui/prompts.h"
#include "widgets/ui/status_panels.h"
#include "widgets/ui/windows_colour.h"

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

SongList& TForm1::ListOf(ListKind kind) {
    switch (kind) {
        case ListKind::Catalogue:
            return catalogue_;
        case ListKind::Selection:
            return selection_;
        case ListKind::Playlist:
            return playlist_;
        case ListKind::Doubles:
            break;
    }
    return doubles_;
}
SongGrid* TForm1::StGrdMain() const {
    return pages_[0]->Grid();
}
SongGrid* TForm1::StGrdSelection() const {
    return pages_[1]->Grid();
}
SongGrid* TForm1::StGrdPlaylist() const {
    return pages_[2]->Grid();
}
SongGrid* TForm1::StGrdDouble() const {
    return pages_[3]->Grid();
}
StatusPanels* TForm1::STBarAll() const {
    return pages_[0]->StatusBar();
}
StatusPanels* TForm1::STBarSel() const {
    return pages_[1]->StatusBar();
}
StatusPanels* TForm1::STBarPlay() const {
    return pages_[2]->StatusBar();
}
StatusPanels* TForm1::StBarDoubles() const {
    return pages_[3]->StatusBar();
}

void TForm1::BuildListPages() {
    SongList* lists[] = {&catalogue_, &selection_, &playlist_, &doubles_};
    for (int i = 0; i < 4; ++i) {
        const TabDefinition& tab = kTabs[i];
        auto* model = new SongListModel(*lists[i], this);
        auto* page =
            new ListPage(model, QString::fromLatin1(tab.Grid), QString::fromLatin1(tab.Bar),
                         QString::fromLatin1(tab.Status), pageControl_);
        page->setObjectName(QString::fromLatin1(tab.Name));
        models_[static_cast<std::size_t>(i)] = model;
        pages_[static_cast<std::size_t>(i)] = page;
        pageControl_->addTab(page, QString::fromUtf8(tab.Caption));
        pageControl_->ColouredBar()->SetTabColours(i, ColourFromWindows(tab.TabColor),
                                                   ColourFromWindows(tab.TabFontColor));
    }

    const Glyph deleteIcon = Glyph::DeleteRows;
    const Glyph burnIcon = Glyph::BurnDisc;
    const Glyph markIcon = Glyph::SelectAll;
    const Glyph playlistIcon = Glyph::AddToPlaylist;

    // A command on a list's bar and in its context menu; an empty caption leaves
    // it out of that place, a command without handler is a menu separator.
    struct Command {
        QString BarCaption;
        QString MenuCaption;
        Glyph Icon;
        void (TForm1::*Handler)();
        QString Hint = {};  // the bar button's tooltip when not its caption
    };
    const Glyph copyIcon = Glyph::CopyToFolder;
    const QString copyHint =
        QStringLiteral("In Verzeichnis (Wechseldatenträger/MP3-Stick) kopieren");
    const Command separator{{}, {}, Glyph::SelectAll, nullptr};
    const auto addCommands = [this](ListKind kind, const std::vector<Command>& commands) {
        ListPage* page = Page(kind);
        for (const Command& command : commands) {
            if (command.Handler == nullptr) {
                page->ContextMenu()->addSeparator();
                continue;
            }
            if (!command.BarCaption.isEmpty())
                connect(page->AddBarButton(command.BarCaption, command.Icon, command.Hint),
                        &QToolButton::clicked, this, command.Handler);
            if (!command.MenuCaption.isEmpty())
                connect(page->ContextMenu()->addAction(command.MenuCaption), &QAction::triggered,
                        this, command.Handler);
        }
    };
    addCommands(
        ListKind::Catalogue,
        {{QStringLiteral("Zeile(n) löschen"), QStringLiteral("Zeile(n) &löschen"), deleteIcon,
          &TForm1::DelRowMainClick},
         {QStringLiteral("Alles auswählen"), QStringLiteral("&alle markieren"), markIcon,
          &TForm1::MarkAllMainClick},
         separator,
         {QStringLiteral("zur Playliste hinzufügen"), QStringLiteral("zur Playlist hinzufügen"),
          playlistIcon, &TForm1::copytoplaylistClick}});
    addCommands(
        ListKind::Selection,
        {{QStringLiteral("Zeile(n) löschen"), QStringLiteral("Zeile(n) &löschen"), deleteIcon,
          &TForm1::DelRowSelClick},
         {QStringLiteral("Alles auswählen"), QStringLiteral("&alle markieren"), markIcon,
          &TForm1::MarkAllSelClick},
         separator,
         {QStringLiteral("zur Playliste hinzufügen"), QStringLiteral("zur &Playlist hinzufügen"),
          playlistIcon, &TForm1::copytoplaylistClick},
         separator,
         {QStringLiteral("In Verzeichnis kopieren"), QStringLiteral("In Verzeichnis &kopieren"),
          copyIcon, &TForm1::SISelCopyToFolderClick, copyHint},
         {QStringLiteral("CD brennen (MP3)"), QStringLiteral("CD &brennen (MP3)"), burnIcon,
          &TForm1::SISelBurnMP3Click}});
    // The playlist's bar and menu list the M3U commands in different places.
    addCommands(
        ListKind::Playlist,
        {{QStringLiteral("Zeile(n) löschen"), QStringLiteral("Zeile(n) &löschen"), deleteIcon,
          &TForm1::DelRowPlaylistClick},
         {QStringLiteral("Alles auswählen"), QStringLiteral("&alle markieren"), markIcon,
          &TForm1::MarkallplayClick},
         separator,
         {{},
          QStringLiteral("WinAmp Playlist M3U &oeffnen"),
          Glyph::PlaylistOpen,
          &TForm1::M3ULoadClick},
         {{},
          QStringLiteral("WinAmp Playlist M3U &speichern"),
          Glyph::PlaylistSave,
          &TForm1::M3USaveClick},
         separator,
         {QStringLiteral("In Verzeichnis kopieren"), QStringLiteral("In Verzeichnis &kopieren"),
          copyIcon, &TForm1::SIPlayCopyToFolderClick, copyHint},
         {QStringLiteral("CD brennen (MP3)"), QStringLiteral("CD &brennen (MP3)"), burnIcon,
          &TForm1::SIPlayBurnMP3Click},
         {QStringLiteral("WinAmp-Playliste M3U laden"),
          {},
          Glyph::PlaylistOpen,
          &TForm1::M3ULoadClick},
         {QStringLiteral("WinAmp-Playliste M3U sichern"),
          {},
          Glyph::PlaylistSave,
          &TForm1::M3USaveClick}});
    addCommands(ListKind::Doubles,
                {{QStringLiteral("Zeile(n) löschen"), QStringLiteral("Zeile(n) &löschen"),
                  deleteIcon, &TForm1::DelRowDoubleClick},
                 {QStringLiteral("alles auswählen"), QStringLiteral("&alle markieren"), markIcon,
                  &TForm1::MarkAllDoubleClick},
                 separator,
                 {QStringLiteral("Datei(en) löschen"), QStringLiteral("Datei(en) löschen"),
                  Glyph::DeleteFiles, &TForm1::DelFileDoubleClick}});

    // Header presses sort the catalogue, the selection and the playlist; releasing
    // the Delete key deletes rows there. The doubles list has neither.
    for (ListKind kind : {ListKind::Catalogue, ListKind::Selection, ListKind::Playlist}) {
        SongGrid* grid = Page(kind)->Grid();
        connect(grid, &SongGrid::HeaderPressed, this,
                [this, grid](int column) { StGrdFixedColClick(grid, column); });
    }
    for (ListKind kind :
         {ListKind::Catalogue, ListKind::Selection, ListKind::Playlist, ListKind::Doubles}) {
        connect(Page(kind)->Grid(), &SongGrid::RowMadeCurrent, this,
                [this, kind](int row) { ListRowClick(kind, row); });
    }
    const std::pair<ListKind, void (TForm1::*)()> doubleClicks[] = {
        {ListKind::Catalogue, &TForm1::StGrdMainDblClick},
        {ListKind::Selection, &TForm1::StGrdSelectionDblClick},
        {ListKind::Playlist, &TForm1::StGrdPlaylistDblClick},
        {ListKind::Doubles, &TForm1::StGrdDoubleDblClick}};
    for (const auto& [kind, handler] : doubleClicks)
        connect(Page(kind)->Grid(), &SongGrid::RowDoubleClicked, this, handler);
    StGrdDouble()->SetHeaderPressReported(false);
    StGrdDouble()->SetDeleteKeyReported(false);
    connect(StGrdMain(), &SongGrid::DeleteKeyReleased, this, &TForm1::DelRowMainClick);
    connect(StGrdSelection(), &SongGrid::DeleteKeyReleased, this, &TForm1::DelRowSelClick);
    connect(StGrdPlaylist(), &SongGrid::DeleteKeyReleased, this, &TForm1::DelRowPlaylistClick);

    connect(pageControl_, &QTabWidget::currentChanged, this, &TForm1::CPageControlChange);
}

void TForm1::SetTabColours(ListKind kind, std::int32_t tab, std::int32_t text) {
    tabs_[Index(kind)] = {tab, text};
    // The owner-drawn tab shows its colours at once; the list takes them with
    // ApplyTabColours.
    pageControl_->ColouredBar()->SetTabColours(Index(kind), ColourFromWindows(tab),
                                               ColourFromWindows(text));
}

void TForm1::Farben1Click() {
    if (colorDlg_->exec() != QDialog::Accepted) return;
    const ListKind kinds[] = {ListKind::Catalogue, ListKind::Selection, ListKind::Playlist,
                              ListKind::Doubles};
    for (int i = 0; i < 4; ++i) {
        pageControl_->setTabText(i, colorDlg_->TestCaption(i));
        SetTabColours(kinds[i], colorDlg_->TestColour(i), colorDlg_->TestTextColour(i));
    }
    ApplyTabColours();
    pageControl_->update();
}

void TForm1::ApplyTabColours() {
    for (ListKind kind :
         {ListKind::Catalogue, ListKind::Selection, ListKind::Playlist, ListKind::Doubles}) {
        Page(kind)->SetTabColours(ColourFromWindows(TabColor(kind)),
                                  ColourFromWindows(TabFontColor(kind)));
    }
}

void TForm1::ShowListPage(ListKind kind) {
    pageControl_->setCurrentWidget(Page(kind));
}

void TForm1::ShowCatalogueRow(int row) {
    StGrdMain()->ShowRow(row);
}

}  // namespace tv
