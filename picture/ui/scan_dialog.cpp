#include "picture/ui/scan_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "widgets/ui/prompts.h"

namespace tv {

TScanDialog::TScanDialog(QWidget* parent, SaneScanner& scanner, Prompts& prompts)
    : QDialog(parent),
      scanner_(scanner),
      prompts_(prompts),
      scanners_(new QComboBox(this)),
      mode_(new QComboBox(this)),
      resolution_(new QSpinBox(this)),
      gauge_(new QProgressBar(this)),
      btnScan_(new QPushButton(QStringLiteral("Scannen"), this)),
      btnCancel_(new QPushButton(QStringLiteral("Abbrechen"), this)),
      poll_(new QTimer(this)) {
    setObjectName(QStringLiteral("ScanDialog"));
    setWindowTitle(QStringLiteral("Image scannen"));
    setModal(true);
    scanners_->setObjectName(QStringLiteral("CBScanner"));
    mode_->setObjectName(QStringLiteral("CBMode"));
    mode_->addItem(QStringLiteral("Farbe"), static_cast<int>(ScanMode::Colour));
    mode_->addItem(QStringLiteral("Graustufen"), static_cast<int>(ScanMode::Grey));
    mode_->addItem(QStringLiteral("Schwarzweiß"), static_cast<int>(ScanMode::LineArt));
    resolution_->setObjectName(QStringLiteral("SEResolution"));
    resolution_->setRange(25, 4800);
    resolution_->setSuffix(QStringLiteral(" dpi"));
    resolution_->setValue(100);
    gauge_->setObjectName(QStringLiteral("Gauge"));
    gauge_->setRange(0, 100);
    btnScan_->setObjectName(QStringLiteral("BtnScan"));
    btnScan_->setDefault(true);
    btnCancel_->setObjectName(QStringLiteral("BtnCancel"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Scanner :"), scanners_);
    form->addRow(QStringLiteral("Farbmodus :"), mode_);
    form->addRow(QStringLiteral("Auflösung :"), resolution_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnScan_);
    buttons->addWidget(btnCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(gauge_);
    layout->addLayout(buttons);

    connect(btnScan_, &QPushButton::clicked, this, &TScanDialog::StartScan);
    connect(btnCancel_, &QPushButton::clicked, this, &TScanDialog::reject);
    poll_->setInterval(50);
    connect(poll_, &QTimer::timeout, this, [this] { gauge_->setValue(percent_); });
}

TScanDialog::~TScanDialog() {
    scanner_.Cancel();
    if (worker_.joinable()) worker_.join();
}

void TScanDialog::SetScanners(const std::vector<ScannerDevice>& scanners) {
    scanners_->clear();
    for (const ScannerDevice& device : scanners)
        scanners_->addItem(
            QString::fromStdString(device.Vendor + " " + device.Model + " (" + device.Name + ")"),
            QString::fromStdString(device.Name));
    btnScan_->setEnabled(!scanners.empty());
}

void TScanDialog::SetMode(ScanMode mode) {
    mode_->setCurrentIndex(mode_->findData(static_cast<int>(mode)));
}

void TScanDialog::SetResolution(int dotsPerInch) {
    resolution_->setValue(dotsPerInch);
}

bool TScanDialog::Acquire(RgbImage& image) {
    if (scanners_->count() == 0) {
        prompts_.Tell(parentWidget(), QStringLiteral("Scannen"),
                      QStringLiteral("Es wurde kein Scanner gefunden."), PromptIcon::Warning);
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        result_ = RgbImage();
        error_.clear();
    }
    cancelled_ = false;
    gauge_->setValue(0);
    btnScan_->setEnabled(scanners_->count() > 0);
    btnCancel_->setEnabled(true);
    if (exec() != QDialog::Accepted) return false;
    std::lock_guard lock(mutex_);
    image = std::move(result_);
    return !image.Empty();
}

void TScanDialog::StartScan() {
    if (scanning_ || scanners_->count() == 0) return;
    const std::string device = scanners_->currentData().toString().toStdString();
    const auto mode = static_cast<ScanMode>(mode_->currentData().toInt());
    const int dotsPerInch = resolution_->value();
    btnScan_->setEnabled(false);
    scanning_ = true;
    percent_ = 0;
    poll_->start();
    if (worker_.joinable()) worker_.join();
    worker_ = std::thread([this, device, mode, dotsPerInch] {
        RgbImage image;
        std::string error;
        try {
            image = scanner_.Scan(device, mode, dotsPerInch, [this](int percent) {
                percent_ = percent;
                return !cancelled_;
            });
        } catch (const std::exception& failure) {
            error = failure.what();
        }
        {
            std::lock_guard lock(mutex_);
            result_ = std::move(image);
            error_ = std::move(error);
        }
        QMetaObject::invokeMethod(
            this, [this] { ScanEnded(); }, Qt::QueuedConnection);
    });
}

void TScanDialog::ScanEnded() {
    if (worker_.joinable()) worker_.join();
    scanning_ = false;
    poll_->stop();
    gauge_->setValue(percent_);
    std::string error;
    bool gotImage = false;
    {
        std::lock_guard lock(mutex_);
        error = error_;
        gotImage = !result_.Empty();
    }
    if (cancelled_) {
        QDialog::reject();
        return;
    }
    if (!error.empty()) {
        prompts_.Tell(
            this, QStringLiteral("Scannen"),
            QStringLiteral("Der Scanner meldet einen Fehler: ") + QString::fromStdString(error),
            PromptIcon::Error);
        btnScan_->setEnabled(true);
        return;
    }
    if (gotImage)
        accept();
    else
        QDialog::reject();
}

void TScanDialog::reject() {
    if (scanning_) {
        cancelled_ = true;
        scanner_.Cancel();  // the dialog closes when the scan has stopped
        btnCancel_->setEnabled(false);
        return;
    }
    btnCancel_->setEnabled(true);
    QDialog::reject();
}

}  // namespace tv
