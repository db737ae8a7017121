#include "app/ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSessionManager>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <system_error>

#include "app/ui/about_box.h"
#include "app/ui/desktop_player.h"
#include "app/ui/list_tabs.h"
#include "burning/ui/burn_dialog.h"
#include "catalogue/list_file.h"
#include "catalogue/song_columns.h"
#include "catalogue/ui/copy_progress.h"
#include "catalogue/ui/list_autosave.h"
#include "catalogue/ui/list_page.h"
#include "catalogue/ui/song_grid.h"
#include "catalogue/ui/song_list_model.h"
#include "files/ui/file_copy_dialog.h"
#include "picture/preview_cache.h"
#include "picture/sane_scanner.h"
#include "picture/scanner_search.h"
#include "picture/ui/cover_window.h"
#include "picture/ui/picture_box.h"
#include "picture/ui/scan_dialog.h"
#include "playback/ui/audio_player.h"
#include "playback/ui/mpris_service.h"
#include "playback/ui/random_dialog.h"
#include "settings/form_storage.h"
#include "settings/ui/colour_dialog.h"
#include "tools/ui/autoadding_dialog.h"
#include "tools/ui/doubles_dialog.h"
#include "tools/ui/export_dialog.h"
#include "tools/ui/find_dialog.h"
#include "tools/ui/orphans_dialog.h"
#include "widgets/ui/byte_text.h"
#include "widgets/ui/coloured_tab_widget.h"
#include "widgets/ui/form_placement.h"
#include "widgets/ui/glyphs.h"
#include "widgets/ui/prompts.h"
#include "widgets/ui/windows_colour.h"

Q_LOGGING_CATEGORY(lcStartup, "tunevault.startup", QtWarningMsg)

namespace tv {
namespace {

constexpr std::string_view kListFileNames[] = {kCatalogueFileName, kSelectionFileName,
                                               kPlaylistFileName, kDoublesFileName};

}  // namespace

TForm1::TForm1(std::filesystem::path programFolder, Prompts& prompts, QWidget* parent)
    : QMainWindow(parent),
      programFolder_(std::move(programFolder)),
      prompts_(prompts),
      catalogue_(kSongColumnCount),
      selection_(kCopyColumnCount),
      playlist_(kCopyColumnCount),
      doubles_(kCopyColumnCount) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("%1 %2 %3 – %4")
                       .arg(QString::fromLatin1(kProductTitle),
                            QString::fromLatin1(kProductVersion), QString::fromUtf8(kReleaseLine),
                            QString::fromUtf8(kMakerLine)));
    setWindowIcon(QIcon(ProgramPicture(64)));
    resize(1024, 768);
    for (int i = 0; i < 4; ++i)
        tabs_[static_cast<std::size_t>(i)] = {kTabs[i].TabColor, kTabs[i].TabFontColor};
    fileStates_.fill(ListFileState::NotReadYet);

    BuildFrame();
    BuildDetailsGroups();
    details_.EdtFile->installEventFilter(this);  // a double click plays the file
    BuildListPages();
    BuildMenus();
    FormCreate();

    // The other windows, each once for the whole run, in their fixed order.
    autoadding_ = new TAutoadding(*this);
    formInfo_ = new TFormInfo(this);
    formInfo_->SetDataFolder(QStringFromBytes(programFolder_.string()));
    findDlg_ = new TFindDlg(*this);
    colorDlg_ = new TColorDlg(this, [this](int tab) {
        const auto kind = static_cast<ListKind>(tab);  // the tabs are in the order of ListKind
        return TabColouring{pageControl_->tabText(tab), TabColor(kind), TabFontColor(kind)};
    });
    formDelNo_ = new TFormDelNo(*this);
    form7_ = new TForm7(this);
    frmRandom_ = new TFrmRandom(*this);
    audioplayer_ = new TAudioplayer(this, SettingsPath(), prompts_);
    finddouble_ = new TFinddouble(*this);
    imagePanel_ = new TImagePanel(this, SettingsPath(), prompts_);
    imagePanel_->KDImage1()->SetPreviewCache(previewCache_.get());
    imagePanel_->KDImage1()->SetDeferredDecoding(true);  // the small picture first
    scanner_ = std::make_shared<SaneScanner>();
    scanDialog_ = new TScanDialog(this, *scanner_, prompts_);
    connect(imagePanel_, &TImagePanel::Shown, this, [this] { imageTag_ = 0; });
    connect(imagePanel_, &TImagePanel::ClosedByUser, this, [this] { imageTag_ = 1; });
    mp3Burn_ = new TMP3Burn(*this);
    frmExport_ = new TFrmExport(*this);
    fileCopyDialog_ = new TFileCopyDialog(this, prompts_);
    WirePlayback();
    connect(audioplayer_, &TAudioplayer::Shown, this, [this] { showAudioTag_ = 0; });
    connect(audioplayer_, &TAudioplayer::ClosedByUser, this, [this] { showAudioTag_ = 1; });

    timer2_ = new QTimer(this);
    timer2_->setObjectName(QStringLiteral("Timer2"));
    timer2_->setInterval(1);
    timer2_->setSingleShot(true);
    connect(timer2_, &QTimer::timeout, this, &TForm1::Timer2Timer);

    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
        // The desktop session ends: keep everything as a normal end would. The
        // session may still be cancelled, so a later close saves again.
        if (!shutDown_) {
            ShutDown(false);
            if (autosave_ != nullptr) autosave_->Start();
        }
    });
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (!shutDown_) ShutDown(false);
        shutDown_ = true;
    });
}

TForm1::~TForm1() {
    scannerSearch_.reset();  // waits a moment at most for a slow scanner search
    // The scan dialog stops a scan of the scanner on its way out; it goes before
    // the scanner does.
    delete scanDialog_;
    scanDialog_ = nullptr;
    // The pictures are QObject children, destroyed after the cache.
    kdImage1_->SetPreviewCache(nullptr);
    imagePanel_->KDImage1()->SetPreviewCache(nullptr);
    // The views and models refer to the lists, which are gone before the QWidget
    // part of the window is destroyed.
    placement_.reset();
    delete splitter1_;
    for (SongListModel* model : models_) delete model;
}

std::filesystem::path TForm1::ListFilePath(ListKind kind) const {
    return programFolder_ / kListFileNames[Index(kind)];
}

std::filesystem::path TForm1::SettingsPath() const {
    return programFolder_ / kSettingsFileName;
}

void TForm1::BuildFrame() {
    panel1_ = new QWidget(this);
    panel1_->setObjectName(QStringLiteral("Panel1"));

    speedBar_ = new QToolBar(panel1_);
    speedBar_->setObjectName(QStringLiteral("SpeedBar"));
    speedBar_->setIconSize(QSize(26, 26));
    speedBar2_ = new QToolBar(panel1_);
    speedBar2_->setObjectName(QStringLiteral("SpeedBar2"));
    speedBar2_->setIconSize(QSize(26, 26));

    // The tool bar, in its order; every button 34 x 35 pixels with a picture.
    const QColor glyphColour = palette().color(QPalette::ButtonText);
    const auto addSpeedButton = [&](const char* name, const QString& caption,
                                    const QString& tooltip, Glyph glyph,
                                    void (TForm1::*handler)()) {
        auto* button = new QToolButton(speedBar_);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(caption);
        button->setToolTip(tooltip);
        button->setIcon(GlyphIcon(glyph, glyphColour));
        button->setFixedSize(34, 35);
        connect(button, &QToolButton::clicked, this, handler);
        speedBar_->addWidget(button);
        return button;
    };
    btnAutoAdd_ = addSpeedButton("BtnAutoAdd", QStringLiteral("AutoAdding"),
                                 QStringLiteral("Dateien automatisch hinzufügen"), Glyph::AutoAdd,
                                 &TForm1::BtnAutoAddClick);
    addSpeedButton("BtnSaveCSV", QStringLiteral("Exportieren"), QStringLiteral("Exportieren"),
                   Glyph::Export, &TForm1::BtnSaveCSVClick);
    addSpeedButton("BtnRandom", QStringLiteral("Zufall"), QStringLiteral("Zufallswiedergabe"),
                   Glyph::Random, &TForm1::BtnRandomClick);
    addSpeedButton("BtnFind", QStringLiteral("Suchen"),
                   QStringLiteral("Titel oder Interpret suchen"), Glyph::Search,
                   &TForm1::BtnFindClick);
    addSpeedButton("BtnNonExist", QStringLiteral("Verwaiste Einträge löschen"),
                   QStringLiteral("Verwaiste Einträge löschen"), Glyph::Orphans,
                   &TForm1::BtnNonExistClick);
    addSpeedButton("SIFindDoubles", QStringLiteral("Mehrfache Einträge finden"),
                   QStringLiteral("Mehrfache Einträge finden"), Glyph::Doubles,
                   &TForm1::SIFindDoublesClick);
    addSpeedButton("SIShowAudio", QStringLiteral("AudioPlayer"),
                   QStringLiteral("AudioPlayer anzeigen"), Glyph::Player,
                   &TForm1::SIShowAudioClick);
    addSpeedButton("SIInfo", QStringLiteral("Informationen"), QStringLiteral("Informationen"),
                   Glyph::Information, &TForm1::SIInfoClick);

    detailsArea_ = new QHBoxLayout;
    detailsArea_->setContentsMargins(0, 0, 0, 0);
    coverArea_ = new QVBoxLayout;
    coverArea_->setContentsMargins(0, 0, 0, 0);
    BuildCoverGroup(glyphColour);

    auto* left = new QVBoxLayout;
    left->setContentsMargins(0, 0, 0, 0);
    left->addWidget(speedBar_);
    left->addLayout(detailsArea_, 1);
    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->addWidget(speedBar2_);
    right->addLayout(coverArea_, 1);
    auto* panelLayout = new QHBoxLayout(panel1_);
    panelLayout->setContentsMargins(4, 2, 4, 2);
    panelLayout->addLayout(left, 1);
    panelLayout->addLayout(right);

    pageControl_ = new ColouredTabWidget(this);
    pageControl_->setObjectName(QStringLiteral("CPageControl"));

    splitter1_ = new QSplitter(Qt::Vertical, this);
    splitter1_->setObjectName(QStringLiteral("Splitter1"));
    splitter1_->setHandleWidth(6);
    splitter1_->setChildrenCollapsible(false);
    splitter1_->addWidget(panel1_);
    splitter1_->addWidget(pageControl_);
    connect(splitter1_, &QSplitter::splitterMoved, this, &TForm1::Splitter1Moved);
    splitter1_->setStretchFactor(0, 0);
    splitter1_->setStretchFactor(1, 1);
    splitter1_->setSizes({panel1Height_, 768 - panel1Height_});
    setCentralWidget(splitter1_);
}

void TForm1::BuildMenus() {
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&Datei"));
    fileMenu_->setObjectName(QStringLiteral("MnuDatei"));
    fileMenu_->addAction(QStringLiteral("&AutoAdding"), this, &TForm1::BtnAutoAddClick)
        ->setObjectName(QStringLiteral("MnuAutoAdd"));
    fileMenu_->addAction(QStringLiteral("&Exportieren"), this, &TForm1::BtnSaveCSVClick)
        ->setObjectName(QStringLiteral("Export"));
    fileMenu_->addAction(QStringLiteral("&Zufallswiedergabe"), this, &TForm1::BtnRandomClick)
        ->setObjectName(QStringLiteral("Zufallswiedergabe1"));
    fileMenu_->addSeparator();
    beendenAction_ = fileMenu_->addAction(QStringLiteral("&Beenden"), this, &TForm1::BeendenClick);
    beendenAction_->setObjectName(QStringLiteral("Beenden"));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Bearbeiten"));
    edit->setObjectName(QStringLiteral("MnuBearbeiten"));
    edit->addAction(QStringLiteral("&Suchen"), this, &TForm1::BtnFindClick)
        ->setObjectName(QStringLiteral("Suchen1"));
    edit->addAction(QStringLiteral("&Verwaiste Einträge finden"), this, &TForm1::BtnNonExistClick)
        ->setObjectName(QStringLiteral("VerwaisteEintrgefinden1"));
    edit->addAction(QStringLiteral("&Mehrfache Einträge finden"), this, &TForm1::SIFindDoublesClick)
        ->setObjectName(QStringLiteral("DoppelteEintrgefinden1"));

    QMenu* view = menuBar()->addMenu(QStringLiteral("&Anzeige"));
    view->setObjectName(QStringLiteral("MnuAnzeige"));
    view->addAction(QStringLiteral("Audio&player"), this, &TForm1::SIShowAudioClick)
        ->setObjectName(QStringLiteral("Audioplayer1"));
    view->addAction(QStringLiteral("&Cover"), this, &TForm1::SIShowCoverClick)
        ->setObjectName(QStringLiteral("Cover1"));

    QMenu* settings = menuBar()->addMenu(QStringLiteral("&Einstellungen"));
    settings->setObjectName(QStringLiteral("MnuEinstellungen"));
    settings->addAction(QStringLiteral("&Farben"), this, &TForm1::Farben1Click)
        ->setObjectName(QStringLiteral("Farben1"));
    playListPlayAction_ = settings->addAction(QStringLiteral("komplette Playliste abs&pielen"),
                                              this, &TForm1::PlaylistplayClick);
    playListPlayAction_->setObjectName(QStringLiteral("PlayListPlay"));
    playListPlayAction_->setCheckable(true);
    playListPlayAction_->setChecked(playListPlayChecked_);
    id3WriteAction_ = settings->addAction(QStringLiteral("ID3-Tag &zurückschreiben"), this,
                                          &TForm1::ChBID3WriteClick);
    id3WriteAction_->setObjectName(QStringLiteral("ChBID3Write"));
    id3WriteAction_->setCheckable(true);
    id3WriteAction_->setChecked(id3WriteChecked_);

    QMenu* cover = menuBar()->addMenu(QStringLiteral("&Cover"));
    cover->setObjectName(QStringLiteral("MnuCover"));
    cover->addAction(QStringLiteral("&Auswählen"), this, &TForm1::BtnImageClick)
        ->setObjectName(QStringLiteral("Auswhlen1"));
    cover->addAction(QStringLiteral("&Scannen"), this, &TForm1::BtnScanClick)
        ->setObjectName(QStringLiteral("Scannen1"));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Hilfe"));
    help->setObjectName(QStringLiteral("MnuHilfe"));
    help->addAction(QStringLiteral("Informationen"), this, &TForm1::SIInfoClick);
    help->addAction(QString::fromLatin1(kMakerWebAddress), this,
                    [this] { formInfo_->Label5Click(); });
}

void TForm1::FormCreate() {
    placement_ = std::make_unique<FormPlacement>(this, SettingsPath(), QStringLiteral("SYSTEM"),
                                                 FormPlacement::Parts::PositionSizeState, prompts_);
    // The main window writes its settings itself when it is asked to close.
    placement_->SetSaveOnHide(false);
    RegisterStoredProperties();
}

void TForm1::RegisterStoredProperties() {
    FormStorage& storage = placement_->Storage();
    // File and folder names keep their bytes (a name that is not UTF-8 too).
    const auto text = [&storage](const char* name, QString& field) {
        storage.AddTextProperty(
            name, [&field] { return BytesFromQString(field); },
            [&field](const std::string& value) { field = QStringFromBytes(value); },
            FormStorage::TextKind::FileName);
    };
    text("SaveDialog.InitialDir", saveDialogInitialDir_);
    text("SaveDialog.FileName", saveDialogFileName_);
    text("OpenDialog.InitialDir", openDialogInitialDir_);
    text("OpenDialog.FileName", openDialogFileName_);
    storage.AddBoolProperty(
        "PlayListPlay.Checked", [this] { return playListPlayChecked_; },
        [this](bool on) {
            playListPlayChecked_ = on;
            playListPlayAction_->setChecked(on);
        });
    storage.AddBoolProperty(
        "ChBID3Write.Checked", [this] { return id3WriteChecked_; },
        [this](bool on) {
            id3WriteChecked_ = on;
            id3WriteAction_->setChecked(on);
        });
    storage.AddIntProperty(
        "SIShowAudio.Tag", [this] { return showAudioTag_; },
        [this](int tag) { showAudioTag_ = tag; });
    storage.AddIntProperty(
        "KDImage1.Tag", [this] { return imageTag_; }, [this](int tag) { imageTag_ = tag; });
    storage.AddTextProperty(
        "CPageControl.ActivePage",
        [this] {
            const QWidget* page = pageControl_->currentWidget();
            return page ? page->objectName().toStdString() : std::string("(null)");
        },
        [this](const std::string& name) {
            for (int i = 0; i < pageControl_->count(); ++i) {
                if (pageControl_->widget(i)->objectName().toStdString() == name)
                    pageControl_->setCurrentIndex(i);
            }
        });
    // The tab colours, in the order the settings file has always listed them.
    for (ListKind kind :
         {ListKind::Catalogue, ListKind::Doubles, ListKind::Playlist, ListKind::Selection}) {
        const std::string name = kTabs[Index(kind)].Name;
        storage.AddIntProperty(
            name + ".TabColor", [this, kind] { return TabColor(kind); },
            [this, kind](int colour) { SetTabColours(kind, colour, TabFontColor(kind)); });
        storage.AddIntProperty(
            name + ".TabFontColor", [this, kind] { return TabFontColor(kind); },
            [this, kind](int colour) { SetTabColours(kind, TabColor(kind), colour); });
    }
    storage.AddIntProperty(
        "Panel1.Height", [this] { return panel1_->height(); },
        [this](int height) {
            if (height <= 0) return;
            panel1Height_ = height;
            splitter1_->setSizes({height, std::max(1, splitter1_->height() - height)});
        });
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shownOnce_ && !event->spontaneous()) {
        shownOnce_ = true;
        FormShow();
    }
}

void TForm1::FormShow() {
    pageControl_->ColouredBar()->update();
    timer2_->start();
}

void TForm1::Timer2Timer() {
    timer2_->stop();
    // The player and the cover window as they were at the last end, the player
    // with the output's volume.
    if (showAudioTag_ == 0) SIShowAudioClick();
    if (imageTag_ == 0) SIShowCoverClick();
    audioplayer_->ShowDeviceVolume();

    // The about box as the splash, centred over the main window.
    formInfo_->move(x() + (width() - formInfo_->width()) / 2,
                    y() + (height() - formInfo_->height()) / 2);
    formInfo_->ShowAsSplash();
    formInfo_->show();
    QApplication::processEvents();

    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (ListKind kind :
         {ListKind::Doubles, ListKind::Selection, ListKind::Playlist, ListKind::Catalogue})
        LoadListFile(kind);
    if (fileStates_[Index(ListKind::Catalogue)] == ListFileState::Loaded)
        ListRowClick(ListKind::Catalogue, catalogue_.CurrentRow());
    UpdateStatusBars();
    QApplication::restoreOverrideCursor();
    ApplyTabColours();
    splitter1_->setSizes({panel1Height_, std::max(1, splitter1_->height() - panel1Height_)});
    StartScannerSearch();  // the scan button is enabled when a scanner is found
    formInfo_->hide();

    StartAutosave();
    startedUp_ = true;
    qCInfo(lcStartup) << "Listen geladen";
    emit StartupFinished();
}

void TForm1::LoadListFile(ListKind kind) {
    const std::filesystem::path path = ListFilePath(kind);
    std::error_code statusError;
    const auto status = std::filesystem::status(path, statusError);
    if (status.type() == std::filesystem::file_type::not_found) {
        fileStates_[Index(kind)] = ListFileState::Missing;
        return;
    }
    QString reason;
    try {
        LoadList(ListOf(kind), path);
        fileStates_[Index(kind)] = ListFileState::Loaded;
        return;
    } catch (const ListFileFormatError& error) {
        reason = QStringLiteral("Sie enthält ein Nullbyte (bei Byte %1) und ist keine Listendatei.")
                     .arg(error.Offset());
    } catch (const std::system_error& error) {
        reason = ErrorText(error);
    }
    // The file stays as it is: an unreadable list is never saved over it.
    fileStates_[Index(kind)] = ListFileState::Unreadable;
    qCInfo(lcStartup).noquote()
        << "Liste nicht lesbar:" << QString::fromStdString(path.string());
    QApplication::restoreOverrideCursor();
    prompts_.Tell(this, QStringLiteral("Fehler beim Laden"),
                  QStringLiteral("Die Liste \"%1\" konnte nicht geladen werden:\n%2\n\n"
                                 "Die Datei bleibt unverändert; was die Liste enthält, wird "
                                 "beim Beenden daneben unter neuem Namen gespeichert.")
                      .arg(QString::fromStdString(path.string()), reason),
                  PromptIcon::Error);
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (mp3Burn_ != nullptr && mp3Burn_->Busy()) {
        // A disc is being written: the lists are kept now, the program ends after it.
        if (!quitAfterJob_) {
            quitAfterJob_ = true;
            ShutDown(false);
            shutDown_ = true;
        }
        event->ignore();
        return;
    }
    if (shutDown_ || ShutDown(true)) {
        shutDown_ = true;
        event->accept();
    } else {
        event->ignore();
    }
}

void TForm1::StartAutosave() {
    autosave_ = new ListAutosave(
        [this](const std::filesystem::path& path, const QString& reason) {
            prompts_.Tell(this, QStringLiteral("Automatisch speichern"),
                          QStringLiteral("Die Liste \"%1\" konnte nicht gespeichert werden:\n%2\n\n"
                                         "TuneVault versucht es nach der nächsten Änderung "
                                         "wieder und beim Beenden.")
                              .arg(QString::fromStdString(path.string()), reason),
                          PromptIcon::Warning);
        },
        this);
    for (ListKind kind :
         {ListKind::Catalogue, ListKind::Playlist, ListKind::Selection, ListKind::Doubles}) {
        ListFileState& state = fileStates_[Index(kind)];
        // An unreadable file is never written over; what its list holds is kept
        // beside it at the end.
        autosave_->Watch(
            ListOf(kind), ListFilePath(kind),
            [&state] { return state == ListFileState::Loaded || state == ListFileState::Missing; },
            [&state] { state = ListFileState::Loaded; });
    }
    autosave_->Start();
}

bool TForm1::ShutDown(bool interactive) {
    // A save under way ends first, so that the one made now is the last.
    if (autosave_ != nullptr) autosave_->Stop();
    placement_->Save(interactive);  // the settings first, then the lists
    audioplayer_->StopPlayback();
    return SaveLists(interactive);
}

void TForm1::ShutDownAndQuit() {
    if (mp3Burn_ != nullptr && mp3Burn_->Busy() && !quitAfterJob_) {
        // A disc is being written: the lists are saved at once, and the program
        // ends when the burn or erase has ended (a second request ends it now).
        quitAfterJob_ = true;
        ShutDown(false);
        shutDown_ = true;
        return;
    }
    // Every event loop ends now, modal dialogs included, and running work stops at
    // its next check; the lists are saved as they are then, when the main loop has
    // returned (aboutToQuit).
    quitRequested_ = true;
    QCoreApplication::exit(0);
    // A request that came while a box was open before the main loop started (a
    // settings file that could not be read, at the first showing) ends the main
    // loop as soon as it runs.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
}

bool TForm1::SaveLists(bool interactive) {
    QStringList failures;
    QStringList keptBeside;
    for (ListKind kind :
         {ListKind::Catalogue, ListKind::Playlist, ListKind::Selection, ListKind::Doubles}) {
        ListFileState& state = fileStates_[Index(kind)];
        if (state == ListFileState::NotReadYet) continue;
        const std::filesystem::path path = ListFilePath(kind);
        try {
            if (state == ListFileState::Unreadable) {
                // The unreadable file stays as it is; what the list holds now is
                // kept beside it under a new name.
                if (ListOf(kind).IsEmpty()) continue;
                const std::filesystem::path kept = SaveListBeside(ListOf(kind), path);
                keptBeside << QString::fromStdString(kept.string());
                state = ListFileState::SavedBeside;
                continue;
            }
            if (state == ListFileState::SavedBeside) continue;
            SaveList(ListOf(kind), path);
            state = ListFileState::Loaded;
        } catch (const std::system_error& error) {
            failures << QStringLiteral("%1: %2").arg(QString::fromStdString(path.string()),
                                                     ErrorText(error));
        }
    }
    if (!keptBeside.isEmpty()) {
        const QString text =
            QStringLiteral(
                "Listen, die beim Start nicht gelesen werden konnten, wurden unter "
                "neuem Namen gespeichert:\n%1")
                .arg(keptBeside.join(QLatin1Char('\n')));
        if (interactive)
            prompts_.Tell(this, QStringLiteral("Listen gespeichert"), text,
                          PromptIcon::Information);
        else
            qWarning().noquote() << text;
    }
    if (failures.isEmpty()) return true;
    const QString text = QStringLiteral("Diese Listen konnten nicht gespeichert werden:\n%1")
                             .arg(failures.join(QLatin1Char('\n')));
    if (!interactive) {
        qWarning().noquote() << text;
        return false;
    }
    return prompts_.Ask(this, QStringLiteral("Fehler beim Speichern"),
                        text + QStringLiteral("\n\nProgramm trotzdem beenden? Die Änderungen an "
                                              "diesen Listen gehen dann verloren."),
                        PromptIcon::Warning, PromptButtons::YesNo) == PromptAnswer::Yes;
}

void TForm1::SIInfoClick() {
    const auto toggle = [](QWidget* widget) {
        widget->setVisible(!widget->isVisibleTo(widget->parentWidget()));
    };
    toggle(formInfo_->LoadingLabel());
    toggle(formInfo_->Animation());
    toggle(formInfo_->OKButton());
    formInfo_->exec();
    toggle(formInfo_->LoadingLabel());
    toggle(formInfo_->Animation());
    toggle(formInfo_->OKButton());
}

void TForm1::BeendenClick() {
    close();
}

}  // namespace tv
