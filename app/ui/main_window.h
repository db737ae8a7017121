#pragma once

#include <QDateTime>
#include <QMainWindow>
#include <array>
#include <functional>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "catalogue/list_status.h"
#include "catalogue/song_list.h"
#include "catalogue/ui/catalogue_host.h"
#include "files/file_operation.h"
#include "metadata/id3_tag.h"
#include "picture/sane_scanner.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QSplitter;
class QTimer;
class QToolBar;
class QToolButton;
class QVBoxLayout;
class QHBoxLayout;

namespace tv {

class ColouredTabWidget;
class FormPlacement;
class ListAutosave;
class ListPage;
class Prompts;
class SongGrid;
class SongListModel;
class StatusPanels;
class SaneScanner;
class ScannerSearch;
class PreviewCache;
class TAudioplayer;
class TImagePanel;
class TPictureBox;
class TScanDialog;
class TColorDlg;
class TFileCopyDialog;
class TAutoadding;
class TFrmRandom;
class TFindDlg;
class TFinddouble;
class TFormDelNo;
class TFrmExport;
class TForm7;
class TFormInfo;
class TMP3Burn;
class DesktopPlayer;
class MprisService;

// The controls of the details panel in the upper part of the main window.
struct SongDetailsControls {
    QLineEdit* EdtFile = nullptr;
    QToolButton* EdtFileButton = nullptr;  // the browse button of the file box
    QLineEdit* EdtFileSize = nullptr;
    QPushButton* BtnRetryID3 = nullptr;
    QGroupBox* GBSongInfo = nullptr;
    QLineEdit* EdtTitel = nullptr;
    QLineEdit* EdtInterpret = nullptr;
    QLineEdit* EdtAlbum = nullptr;
    QLineEdit* edtComment = nullptr;
    QComboBox* CBGenre = nullptr;
    QLineEdit* EdtJahr = nullptr;
    QLineEdit* EdtTime = nullptr;
    QLineEdit* EdtBitrate = nullptr;
    QPushButton* BtnSongOK = nullptr;
};

// The main window: the upper panel with the tool bar and the details groups, the
// splitter, and the tab control with the four lists (catalogue, selection,
// playlist, doubles), which it owns for the whole run. It loads the lists from the
// program's folder after it has first been shown and saves them when it closes.
class TForm1 : public QMainWindow, public CatalogueHost {
    Q_OBJECT
  public:
    // The program folder holds the list files and "SONGVAT.INI".
    TForm1(std::filesystem::path programFolder, Prompts& prompts, QWidget* parent = nullptr);
    ~TForm1() override;

    // The four lists and their views.
    SongList& Catalogue() noexcept override { return catalogue_; }
    SongList& Selection() noexcept override { return selection_; }
    SongList& Playlist() noexcept override { return playlist_; }
    SongList& Doubles() noexcept override { return doubles_; }
    QWidget* HostWindow() noexcept override { return this; }
    void ShowListPage(ListKind kind) override;
    void ShowCatalogueRow(int row) override;
    SongGrid* StGrdMain() const;
    SongGrid* StGrdSelection() const;
    SongGrid* StGrdPlaylist() const;
    SongGrid* StGrdDouble() const;
    StatusPanels* STBarAll() const;
    StatusPanels* STBarSel() const;
    StatusPanels* STBarPlay() const;
    StatusPanels* StBarDoubles() const;
    ColouredTabWidget* CPageControl() const noexcept { return pageControl_; }
    ListPage* Page(ListKind kind) const { return pages_[Index(kind)]; }

    // The details panel and its operations.
    const SongDetailsControls& Details() const noexcept { return details_; }
    TID3Tag& ID3Tag() noexcept { return id3Tag_; }
    bool ID3WriteChecked() const noexcept { return id3WriteChecked_; }
    void ChBID3WriteClick();
    void EdtFileChange();
    void EdtFileBrowseClick();
    void LoadSongDetails(const QString& fileName);
    void ReadSongTags(const QString& fileName);
    void GuessTagsFromPath(const QString& path);
    void SelectGenre(const QString& genre);
    void StoreSongDetails(SongList& list, const QString& fileName, bool overwrite) override;
    void BtnSongOKClick();
    void BtnRetryID3Click();
    bool WriteBackTag(const QString& fileName);
    void EdtTitelorInterChange();
    // A row became current in a list (or was clicked again): its file fills the
    // details panel.
    void ListRowClick(ListKind kind, int row);
    // Puts a file into the file box and fills the panel from it, also when the box
    // shows that name already.
    void ShowFileInPanel(const QString& fileName) override;
    // The cover of a catalogued song: the row's "Image" becomes the remembered
    // picture name.
    void ShowCatalogueCover(int row);
    // Covers: the small picture, the cover window, choosing and scanning.
    TPictureBox* KDImage1() const noexcept { return kdImage1_; }
    TImagePanel* ImagePanel() const noexcept { return imagePanel_; }
    TScanDialog* ScanDialog() const noexcept { return scanDialog_; }
    QToolButton* BtnImage() const noexcept { return btnImage_; }
    QToolButton* BtnScan() const noexcept { return btnScan_; }
    const std::vector<ScannerDevice>& Scanners() const noexcept { return scanners_; }
    int ImageTag() const noexcept { return imageTag_; }
    void KDImage1PictureChange();
    void BtnImageClick();
    void BtnScanClick();
    void SIShowCoverClick();
    // The cover picture name the next stored row takes as its "Image".
    const QString& RememberedPictureName() const noexcept { return rememberedPictureName_; }
    // The clock that names scanned pictures ("CV" + the time); tests set their own.
    void SetClock(std::function<QDateTime()> now) { now_ = std::move(now); }
    void SetRememberedPictureName(const QString& name) { rememberedPictureName_ = name; }

    // Other windows, created once with the main window.
    TAutoadding* Autoadding() const noexcept { return autoadding_; }
    TFormInfo* FormInfo() const noexcept { return formInfo_; }
    TForm7* Form7() const noexcept { return form7_; }
    TMP3Burn* MP3Burn() const noexcept { return mp3Burn_; }
    TFindDlg* FindDlg() const noexcept { return findDlg_; }
    TFinddouble* Finddouble() const noexcept { return finddouble_; }
    TFormDelNo* FormDelNo() const noexcept { return formDelNo_; }
    TFrmExport* FrmExport() const noexcept { return frmExport_; }
    TAudioplayer* Audioplayer() const noexcept { return audioplayer_; }
    TFrmRandom* FrmRandom() const noexcept { return frmRandom_; }

    Prompts& UserPrompts() const noexcept override { return prompts_; }
    const std::filesystem::path& ProgramFolder() const noexcept { return programFolder_; }
    std::filesystem::path ListFilePath(ListKind kind) const;
    std::filesystem::path SettingsPath() const override;

    // True once the start-up has loaded the lists.
    bool IsStartedUp() const noexcept { return startedUp_; }

    // Tab colours as stored (Windows colour values).
    std::int32_t TabColor(ListKind kind) const { return tabs_[Index(kind)].TabColor; }
    std::int32_t TabFontColor(ListKind kind) const { return tabs_[Index(kind)].TabFontColor; }
    void SetTabColours(ListKind kind, std::int32_t tab, std::int32_t text);

    // List operations of the window. The status bars count the rows and sum the
    // sizes of the files named in the selection, playlist and doubles; with
    // IfListsChanged a size is summed again only when its list has changed.
    enum class SizeRefresh { Always, IfListsChanged };
    void UpdateStatusBars(SizeRefresh refresh = SizeRefresh::Always);
    void ApplyTabColours();
    // "&Farben": the colour dialog; its colours go to the tabs and lists.
    void Farben1Click();
    TColorDlg* ColorDlg() const noexcept { return colorDlg_; }
    void StGrdFixedColClick(SongGrid* grid, int column);
    void DelRowMainClick();
    void DelRowSelClick();
    void DelRowPlaylistClick();
    void DelRowDoubleClick();
    void MarkAllMainClick();
    void MarkAllSelClick();
    void MarkallplayClick();
    void MarkAllDoubleClick();
    void copytoplaylistClick();
    void CPageControlChange();
    void SIInfoClick();
    void BtnAutoAddClick();
    // "CD brennen (MP3)": the selection or the playlist in the burn dialog.
    void SISelBurnMP3Click();
    void SIPlayBurnMP3Click();
    QToolButton* BtnAutoAdd() const noexcept { return btnAutoAdd_; }

    // The collection tools: search, duplicates, orphans, export; M3U playlists.
    void BtnFindClick();
    void SIFindDoublesClick();
    void BtnNonExistClick();
    void BtnSaveCSVClick();
    void M3USaveClick();
    void M3ULoadClick();
    // Files on disk: copying the selected rows' files into a folder ("In
    // Verzeichnis kopieren"), deleting the doubles' files ("Datei(en) löschen").
    int CheckCopySource(const SongList& list);
    void CopyListToFolder(const SongList& list);
    void SISelCopyToFolderClick();
    void SIPlayCopyToFolderClick();
    void DelFileDoubleClick();
    TShFileOP& ShFileOP1() noexcept { return shFileOP1_; }
    TFileCopyDialog* FileCopyDialog() const noexcept { return fileCopyDialog_; }

    // The list on the active tab and that tab's caption.
    ListKind ActiveListKind() const;

    // Playback: every play request ends in PlaySongFile, which shows the player
    // and plays the file (false when the file is missing or cannot be opened; the
    // user has been told). The play is counted in the catalogue once the device
    // has loaded the file. While "komplette Playliste abspielen" is on, a song's
    // end moves on to the next playlist row (Timer3Timer).
    bool PlaySongFile(const std::string& file, const QString& caption);
    void StGrdMainDblClick();
    void StGrdPlaylistDblClick();
    void StGrdSelectionDblClick();
    void StGrdDoubleDblClick();
    void EdtFileDblClick();
    void SIShowAudioClick();
    void PlaylistplayClick();
    void BtnRandomClick();
    void Timer3Timer();
    // Plays the playlist row step rows from the current one (cycling): the desktop's
    // next and previous keys.
    void PlayPlaylistStep(int step);
    bool AdvanceOn() const noexcept { return advanceOn_; }
    bool PlayListPlayChecked() const noexcept { return playListPlayChecked_; }
    int ShowAudioTag() const noexcept { return showAudioTag_; }
    static QString CaptionOf(const SongList& list, int row);
    RowColour HighlightColour() const;

    // Set while the folder scan adds files: no playback starts meanwhile.
    bool Adding() const noexcept { return adding_; }
    void SetAdding(bool adding) noexcept override { adding_ = adding; }
    void BeendenClick();

    // Appends rows to another list, optionally with the copy progress window.
    int AppendRowsWithProgress(const SongList& source, SongList& target, int firstRow, int lastRow,
                               bool showProgress) override;

    // Ends the program at once without questions (signals): every event loop,
    // modal dialogs included, ends and running work stops; when the main loop has
    // returned the settings and then the lists are saved as they are.
    void ShutDownAndQuit();
    // True once the program was asked to end: long work stops at its next check.
    bool QuitRequested() const noexcept override { return quitRequested_; }
    // True when the program was asked to end while a burn or erase ran: the lists
    // are saved, and it ends when that job has ended (or at a second request).
    bool QuitAfterJob() const noexcept override { return quitAfterJob_; }

  signals:
    void StartupFinished();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;  // FormResize
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // SavedBeside: unreadable at start, and its content saved under a new name.
    enum class ListFileState { NotReadYet, Loaded, Missing, Unreadable, SavedBeside };
    struct TabState {
        std::int32_t TabColor;
        std::int32_t TabFontColor;
    };

    static int Index(ListKind kind) { return static_cast<int>(kind); }
    SongList& ListOf(ListKind kind);
    SongList& ListOf(ListKind kind) const { return const_cast<TForm1*>(this)->ListOf(kind); }

    void FormCreate();
    void BuildFrame();
    void BuildMenus();
    void BuildCoverGroup(const QColor& glyphColour);
    void StartScannerSearch();
    // "Als Cover für <folder>/ speichern ?"; true on Yes.
    bool AskSaveAsCover(const std::filesystem::path& folder);
    // The cover picture fits itself to its panel; both repaint it at once.
    void FormResize();
    void Splitter1Moved();
    void BuildDetailsGroups();
    void BuildListPages();
    void RegisterStoredProperties();
    void FormShow();
    void Timer2Timer();
    void LoadListFile(ListKind kind);
    // Lists are saved a few seconds after each change from the end of start-up on.
    void StartAutosave();
    bool ShutDown(bool interactive);
    bool SaveLists(bool interactive);
    void DeleteSelectedRows(ListKind kind, const QString& question);
    bool ConfirmDeletion(const QString& question);
    void WirePlayback();
    void SongLoaded(const QByteArray& file);
    void SongAdvanced(const QByteArray& file);
    void SongFailed(const QByteArray& file, const QString& reason);
    void SongEnded();
    void AdvanceAfterFailure();
    // The next playlist row after row whose file can be played (cycling), or 0.
    int FollowingPlayableRow(int row) const;
    int UpcomingRowOf(const std::string& file) const;
    // The songs after the current playlist row that the advance plays next, and
    // their rows.
    std::vector<std::pair<std::string, QString>> FollowingSongs(std::vector<int>& rows) const;
    // While the advance runs, the song after the one playing goes to the player
    // before this one ends (gapless).
    void QueueFollowingSong();

    std::filesystem::path programFolder_;
    Prompts& prompts_;

    SongList catalogue_;
    SongList selection_;
    SongList playlist_;
    SongList doubles_;
    std::array<SongListModel*, 4> models_{};
    std::array<ListPage*, 4> pages_{};
    std::array<TabState, 4> tabs_{};
    std::array<ListFileState, 4> fileStates_{};

    QWidget* panel1_ = nullptr;
    QToolBar* speedBar_ = nullptr;
    QToolBar* speedBar2_ = nullptr;
    QHBoxLayout* detailsArea_ = nullptr;
    QVBoxLayout* coverArea_ = nullptr;
    QSplitter* splitter1_ = nullptr;
    ColouredTabWidget* pageControl_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* beendenAction_ = nullptr;
    QTimer* timer2_ = nullptr;
    QAction* id3WriteAction_ = nullptr;
    SongDetailsControls details_;
    TID3Tag id3Tag_;
    QString rememberedPictureName_;
    std::function<QDateTime()> now_ = [] { return QDateTime::currentDateTime(); };
    std::unique_ptr<FormPlacement> placement_;
    ListAutosave* autosave_ = nullptr;  // child: lists saved while working

    TAutoadding* autoadding_ = nullptr;
    TFormInfo* formInfo_ = nullptr;
    QToolButton* btnAutoAdd_ = nullptr;
    struct SizeText {
        std::uint64_t Revision = ~std::uint64_t{0};
        QString Text;
    };
    std::array<SizeText, 4> sizeTexts_{};
    bool adding_ = false;
    TForm7* form7_ = nullptr;

    // Stored settings of the "SYSTEM" section that windows of later steps use.
    QString saveDialogInitialDir_, saveDialogFileName_;
    QString openDialogInitialDir_, openDialogFileName_;
    bool playListPlayChecked_ = true;
    bool id3WriteChecked_ = false;
    int showAudioTag_ = 0;
    int imageTag_ = 0;
    int panel1Height_ = 201;

    bool shownOnce_ = false;
    bool startedUp_ = false;
    bool shutDown_ = false;
    bool quitRequested_ = false;
    bool quitAfterJob_ = false;
    TMP3Burn* mp3Burn_ = nullptr;
    TFindDlg* findDlg_ = nullptr;
    TFinddouble* finddouble_ = nullptr;
    TFormDelNo* formDelNo_ = nullptr;
    TFrmExport* frmExport_ = nullptr;
    TAudioplayer* audioplayer_ = nullptr;
    TFrmRandom* frmRandom_ = nullptr;
    QAction* playListPlayAction_ = nullptr;
    TShFileOP shFileOP1_;
    TFileCopyDialog* fileCopyDialog_ = nullptr;
    TColorDlg* colorDlg_ = nullptr;
    // Decoded covers, shared by the two pictures (outlives them: detached in
    // the destructor).
    std::unique_ptr<PreviewCache> previewCache_;
    TPictureBox* kdImage1_ = nullptr;
    TImagePanel* imagePanel_ = nullptr;
    TScanDialog* scanDialog_ = nullptr;
    QToolButton* btnImage_ = nullptr;
    QToolButton* btnScan_ = nullptr;
    std::shared_ptr<SaneScanner> scanner_;  // shared with a search that may outlive the window
    std::vector<ScannerDevice> scanners_;
    std::unique_ptr<ScannerSearch> scannerSearch_;
    bool advanceOn_ = false;  // the playlist advance ("Timer3") runs
    int failedInARow_ = 0;    // playlist songs that could not be played, in a row
    // The playlist rows handed to the player to follow the song playing, in order.
    std::vector<int> upcomingRows_;
    std::unique_ptr<DesktopPlayer> desktopPlayer_;
    std::unique_ptr<MprisService> mpris_;
};

}  // namespace tv
