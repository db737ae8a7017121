#pragma once

#include <QDialog>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "burning/disc_burner.h"
#include "drive/drive_layer.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace tv {

class FormPlacement;
class ImageRecorder;
class MediaChangeWatcher;
class QtMainThreadInvoker;
class SongList;
class StatusPanels;
class CatalogueHost;

// The burn dialog "MP3-TUNEVAULT Brenner": the songs of one list of the main
// window go into the root of a new disc image; the dialog picks the drive, shows
// the size, burns (or erases a rewritable disc) and logs everything the burner
// reports. The last drive of the list is the image recorder, which writes an ISO
// file instead of a disc.
class TMP3Burn : public QDialog {
    Q_OBJECT
  public:
    explicit TMP3Burn(CatalogueHost& host);
    ~TMP3Burn() override;

    // The list to burn: its file names are taken now; the job is set up by Timer1
    // once the dialog is shown.
    void StartJob(const SongList& list);
    // A burn or an erase runs: the dialog cannot be closed meanwhile.
    bool Busy() const;

    // The drive layer the burner uses (tests add simulated drives before the
    // first opening).
    DriveLayer& Layer() noexcept { return layer_; }
    TDiscBurner& dburn() noexcept { return *burner_; }
    QComboBox* cbDrives() const noexcept { return cbDrives_; }
    QPlainTextEdit* Memo1() const noexcept { return memo_; }
    QProgressBar* Gauge1() const noexcept { return gauge_; }
    QPushButton* BtnBurn() const noexcept { return btnBurn_; }
    QPushButton* BtnErase() const noexcept { return btnErase_; }
    StatusPanels* StatusBar() const noexcept { return status_; }
    QTimer* Timer1() const noexcept { return timer1_; }

    void Timer1Timer();
    void cbDrivesChange();
    void RefreshDiscInfo();
    // A disc was put in or taken out of a drive ("sr0"): when it is the selected
    // one, read again (or once the running job ended).
    void WMDeviceChange(const QString& deviceName);
    void BtnBurnClick();
    void BtnEraseClick();
    void Timer2Timer();

  public slots:
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void dburnWriteDone(const std::string& error);
    void dburnEraseDone(bool withError);
    void dburnDebugMessage(const std::string& message);
    void AppendLine(const QString& line);
    void SetWorking(bool working, const QString& action);
    void JobEnded();
    // The image file of the image recorder: chosen and checked; false when the
    // burn does not go ahead.
    bool ChooseImageFile();

    CatalogueHost& host_;
    DriveLayer layer_;
    std::unique_ptr<QtMainThreadInvoker> invoker_;
    std::unique_ptr<ImageRecorder> imageRecorder_;
    std::unique_ptr<TDiscBurner> burner_;
    std::vector<std::string> files_;
    std::unique_ptr<FormPlacement> placement_;
    MediaChangeWatcher* watcher_ = nullptr;

    QWidget* panel1_;
    QComboBox* cbDrives_;
    QPlainTextEdit* memo_;
    QWidget* panel2_;
    QProgressBar* gauge_;
    QPushButton* btnErase_;
    QPushButton* btnBurn_;
    StatusPanels* status_;
    QTimer* timer1_;
    QTimer* timer2_;
    int burnSectors_ = 0;  // the gauge's range while burning
    bool burningImage_ = false;
    bool refreshPending_ = false;
    bool writeDoneArrived_ = false;  // the running burn's OnWriteDone has come
};

}  // namespace tv
