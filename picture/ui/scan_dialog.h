#pragma once

#include <QDialog>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "picture/rgb_image.h"
#include "picture/sane_scanner.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;

namespace tv {

class Prompts;

// "Scannen": SANE has no windows of its own, so this small dialog offers the
// scanners found, the colour mode and the resolution, scans in a worker thread
// with progress, and can be cancelled.
class TScanDialog : public QDialog {
    Q_OBJECT
  public:
    TScanDialog(QWidget* parent, SaneScanner& scanner, Prompts& prompts);
    ~TScanDialog() override;

    void SetScanners(const std::vector<ScannerDevice>& scanners);
    void SetMode(ScanMode mode);
    void SetResolution(int dotsPerInch);

    // Shows the dialog; true with the picture when one was scanned, false when
    // the user cancelled or the scan failed (after a message).
    bool Acquire(RgbImage& image);

    QComboBox* Scanners() const noexcept { return scanners_; }
    QComboBox* Mode() const noexcept { return mode_; }
    QSpinBox* Resolution() const noexcept { return resolution_; }
    QPushButton* BtnScan() const noexcept { return btnScan_; }
    QPushButton* BtnCancel() const noexcept { return btnCancel_; }
    QProgressBar* Gauge() const noexcept { return gauge_; }
    bool Scanning() const noexcept { return scanning_; }

  public slots:
    void reject() override;  // while scanning: the scan stops first

  private:
    void StartScan();
    void ScanEnded();

    SaneScanner& scanner_;
    Prompts& prompts_;
    QComboBox* scanners_;
    QComboBox* mode_;
    QSpinBox* resolution_;
    QProgressBar* gauge_;
    QPushButton* btnScan_;
    QPushButton* btnCancel_;
    QTimer* poll_;

    std::thread worker_;
    std::atomic<bool> scanning_{false};
    std::atomic<int> percent_{0};
    std::mutex mutex_;  // guards the result
    RgbImage result_;
    std::string error_;
    std::atomic<bool> cancelled_{false};  // the user asked the scan to stop
};

}  // namespace tv
