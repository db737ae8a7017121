#pragma once

#include <QString>
#include <filesystem>

#include "catalogue/list_status.h"
#include "catalogue/song_list.h"

class QWidget;

namespace tv {

class Prompts;

// What the dialogs of the collection tools, the player and the burner reach of
// the window that owns the four lists for the whole run: the lists, the details
// panel's store, the settings file, the prompts, and whether the program is
// ending. The main window implements it; the dialogs never see more of it.
class CatalogueHost {
  public:
    // The window the dialogs belong to (their parent).
    virtual QWidget* HostWindow() = 0;

    virtual SongList& Catalogue() = 0;
    virtual SongList& Selection() = 0;
    virtual SongList& Playlist() = 0;
    virtual SongList& Doubles() = 0;

    virtual Prompts& UserPrompts() const = 0;
    virtual std::filesystem::path SettingsPath() const = 0;

    // True once the program was asked to end: long work stops at its next check.
    virtual bool QuitRequested() const = 0;
    // True when the program was asked to end while a burn or erase ran.
    virtual bool QuitAfterJob() const = 0;

    // Set while the folder scan adds files: no playback starts meanwhile.
    virtual void SetAdding(bool adding) = 0;
    // Puts a file into the details panel and fills the panel from it.
    virtual void ShowFileInPanel(const QString& fileName) = 0;
    // Writes the panel into a list as the row of fileName.
    virtual void StoreSongDetails(SongList& list, const QString& fileName, bool overwrite) = 0;
    // Appends rows firstRow..lastRow of source to target, optionally with the copy
    // progress window; returns the number of rows appended.
    virtual int AppendRowsWithProgress(const SongList& source, SongList& target, int firstRow,
                                       int lastRow, bool showProgress) = 0;

    // Brings a list's tab to the front.
    virtual void ShowListPage(ListKind kind) = 0;
    // Makes a catalogue row current and scrolls it into view.
    virtual void ShowCatalogueRow(int row) = 0;

  protected:
    ~CatalogueHost() = default;
};

}  // namespace tv
