// The main window's commands on the audio files themselves: copying the selected
// rows' files into a folder, and deleting the files of the doubles list.

#include <QFileInfo>
#include <filesystem>

#include "app/ui/main_window.h"
#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"
#include "catalogue/ui/song_grid.h"
#include "files/ui/file_copy_dialog.h"
#include "widgets/ui/byte_text.h"
#include "widgets/ui/prompts.h"

namespace tv {

int TForm1::CheckCopySource(const SongList& list) {
    if (!list.IsEmpty()) return 0;
    prompts_.Tell(this, QStringLiteral("Nichts da!"), QStringLiteral("Es gibt nichts zu kopieren!"),
                  PromptIcon::Error);
    return -1;
}

void TForm1::CopyListToFolder(const SongList& list) {
    if (CheckCopySource(list) == -1) return;
    // The target folder is chosen by confirming a file name in it.
    FileDialogRequest request;
    request.Title = QStringLiteral("Auswahl kopieren nach...");
    request.Filter = QStringLiteral("Alle Dateien|*");
    request.DefaultSuffix = QStringLiteral("*");
    request.Folder = saveDialogInitialDir_;
    request.FileName = QStringLiteral("COPY.MP3");
    const std::optional<QString> chosen = prompts_.SaveFile(this, request);
    if (!chosen || chosen->isEmpty()) return;
    const std::filesystem::path name(BytesFromQString(*chosen));
    saveDialogInitialDir_ = QStringFromBytes(name.parent_path().string());
    saveDialogFileName_ = *chosen;

    shFileOP1_.FilesList.clear();
    shFileOP1_.Destination = name.parent_path().string();
    shFileOP1_.Operation = TShOp::shCopy;
    for (int row = list.SelectionTop(); row <= list.SelectionBottom(); ++row)
        shFileOP1_.FilesList.emplace_back(list.Cell(row, colFileName));
    // The outcome is not looked at: the progress window has told the user.
    fileCopyDialog_->Run(shFileOP1_);
}

void TForm1::SISelCopyToFolderClick() {
    CopyListToFolder(selection_);
}

void TForm1::SIPlayCopyToFolderClick() {
    CopyListToFolder(playlist_);
}

void TForm1::DelFileDoubleClick() {
    if (prompts_.Ask(this, QStringLiteral("Löschen"),
                     QStringLiteral("Dateien und Einträge aus Datenbank wirklich löschen?"),
                     PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes)
        return;
    StGrdDouble()->hide();
    const int top = doubles_.SelectionTop();
    for (int row = doubles_.SelectionBottom(); row >= top; --row) {
        const std::string name(doubles_.Cell(row, colFileName));
        for (SongList* list : {&catalogue_, &selection_, &playlist_}) {
            const int found = FindSongRow(*list, name, colFileName);
            if (found > 0) DeleteListRow(*list, found);
        }
        if (prompts_.Ask(this, QStringLiteral("Löschen"),
                         QStringLiteral("Datei ") + QStringFromBytes(name) +
                             QStringLiteral(" wirklich löschen?"),
                         PromptIcon::Question, PromptButtons::YesNo) == PromptAnswer::Yes) {
            std::error_code error;
            std::filesystem::remove(std::filesystem::path(name), error);
            if (std::filesystem::exists(std::filesystem::path(name), error))
                prompts_.Tell(this, QStringLiteral("Fehler!"),
                              QStringLiteral("Fehler beim löschen von ") + QStringFromBytes(name),
                              PromptIcon::Warning);
        }
        DeleteListRow(doubles_, row);
    }
    StGrdDouble()->show();
    UpdateStatusBars();
}

}  // namespace tv
