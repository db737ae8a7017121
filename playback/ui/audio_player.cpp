#include "playback/ui/audio_player.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "playback/ui/gst_media_device.h"
#include "playback/ui/scrolling_label.h"
#include "widgets/ui/form_placement.h"
#include "widgets/ui/prompts.h"

namespace tv {
namespace {

const QString kIdleTitle = QStringLiteral("DoubleClick to Start");

QPushButton* TransportButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setEnabled(false);
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

}  // namespace

TAudioplayer::TAudioplayer(QWidget* parent, const std::filesystem::path& settingsPath,
                           Prompts& prompts)
    : CompanionWindow(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      lblTitel_(new ScrollingLabel(this)),
      lblTime_(new QLabel(QStringLiteral("00:00"), this)),
      slVolume_(new QSlider(Qt::Horizontal, this)),
      btnRew_(TransportButton(this, "BtnMRew", QStringLiteral("Rewind"))),
      btnPlay_(TransportButton(this, "BtnMPlay", QStringLiteral("Play"))),
      btnFor_(TransportButton(this, "BtnMFor", QStringLiteral("Forward"))),
      btnPause_(TransportButton(this, "BtnMPause", QStringLiteral("Pause"))),
      btnStop_(TransportButton(this, "BtnMStop", QStringLiteral("Stop"))),
      btnEject_(TransportButton(this, "BtnMEject", QStringLiteral("Eject"))),
      timer4_(new QTimer(this)),
      prompts_(prompts) {
    setObjectName(QStringLiteral("Audioplayer"));
    setWindowTitle(QStringLiteral("MP3-TUNEVAULT AudioPlayer"));
    lblTitel_->setObjectName(QStringLiteral("LbLTitel"));
    lblTitel_->SetText(kIdleTitle);
    lblTime_->setObjectName(QStringLiteral("LbLTime"));
    slVolume_->setObjectName(QStringLiteral("SLVolume"));
    slVolume_->setRange(0, 65535);
    slVolume_->setToolTip(QStringLiteral("Lautstärke"));
    timer4_->setObjectName(QStringLiteral("Timer4"));
    timer4_->setInterval(100);

    auto* volumeLabel = new QLabel(QStringLiteral("Lautstärke"), this);
    auto* top = new QHBoxLayout;
    top->addWidget(lblTitel_, 1);
    top->addWidget(lblTime_);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {btnRew_, btnPlay_, btnFor_, btnPause_, btnStop_, btnEject_})
        buttons->addWidget(button);
    auto* volume = new QHBoxLayout;
    volume->addWidget(volumeLabel);
    volume->addWidget(slVolume_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->addLayout(volume);

    connect(btnPlay_, &QPushButton::clicked, this, &TAudioplayer::BtnMPlayClick);
    connect(btnPause_, &QPushButton::clicked, this, &TAudioplayer::BtnMPauseClick);
    connect(btnStop_, &QPushButton::clicked, this, &TAudioplayer::BtnMStopClick);
    connect(btnEject_, &QPushButton::clicked, this, &TAudioplayer::BtnMEjectClick);
    connect(btnFor_, &QPushButton::pressed, this, &TAudioplayer::BtnMForPress);
    connect(btnFor_, &QPushButton::released, this, &TAudioplayer::BtnMForRelease);
    connect(btnRew_, &QPushButton::pressed, this, &TAudioplayer::BtnMRewPress);
    connect(btnRew_, &QPushButton::released, this, &TAudioplayer::BtnMRewRelease);
    connect(timer4_, &QTimer::timeout, this, &TAudioplayer::Timer4Timer);
    connect(slVolume_, &QSlider::valueChanged, this, &TAudioplayer::SLVolumeChange);

    placement_ = std::make_unique<FormPlacement>(this, settingsPath, QStringLiteral("AudioPlayer"),
                                                 FormPlacement::Parts::PositionSizeState, prompts);
    SetDevice(std::make_unique<GstMediaDevice>());
}

TAudioplayer::~TAudioplayer() {
    placement_.reset();
    if (device_) {
        device_->OnLoaded = nullptr;
        device_->OnEnded = nullptr;
        device_->OnFailed = nullptr;
        device_->OnNextStarted = nullptr;
        device_->OnNextFailed = nullptr;
        device_->OnVolumeChanged = nullptr;
    }
}

void TAudioplayer::SetDevice(std::unique_ptr<MediaDevice> device) {
    if (device_) device_->Close();
    device_ = std::move(device);
    WireDevice();
}

void TAudioplayer::WireDevice() {
    // The device reports in the main thread; each report concerns the file it
    // holds now.
    device_->OnLoaded = [this] {
        emit SongLoaded(QByteArray::fromStdString(fileName_));
        emit PlayerChanged();
    };
    device_->OnNextStarted = [this](const std::string& file) {
        // The queued song plays: the player shows it as if it had been started.
        fileName_ = file;
        caption_ = queuedCaptions_[file];
        StopWinding();
        lblTitel_->SetText(caption_);
        lblTitel_->Rewind();
        lblTitel_->SetScrolling(true);
        timer4_->start();
        SetState(PlayerState::Playing);
        emit SongAdvanced(QByteArray::fromStdString(file));
        emit PlayerChanged();
    };
    device_->OnEnded = [this] {
        timer4_->stop();
        StopWinding();  // winding ends with the song, never carries into the next
        lblTitel_->SetScrolling(false);
        ShowPosition(device_->Length());
        SetState(PlayerState::Stopped);
        emit SongEnded();
        emit PlayerChanged();
    };
    device_->OnFailed = [this](const std::string& reason) {
        timer4_->stop();
        StopWinding();
        lblTitel_->SetScrolling(false);
        SetState(PlayerState::Stopped);
        emit SongFailed(QByteArray::fromStdString(fileName_), QString::fromStdString(reason));
        emit PlayerChanged();
    };
    device_->OnNextFailed = [this](const std::string& file, const std::string& reason) {
        timer4_->stop();
        StopWinding();
        lblTitel_->SetScrolling(false);
        SetState(PlayerState::Stopped);
        emit SongFailed(QByteArray::fromStdString(file), QString::fromStdString(reason));
        emit PlayerChanged();
    };
    device_->OnVolumeChanged = [this](int volume) {
        // The desktop's mixer moved the stream's volume: the slider follows.
        const QSignalBlocker quiet(slVolume_);
        slVolume_->setValue(volume);
        emit PlayerChanged();
    };
}

void TAudioplayer::StopWinding() {
    forwardHold_ = 0;
    rewindHold_ = 0;
}

void TAudioplayer::SetState(PlayerState state) {
    state_ = state;
    ShowButtons();
}

void TAudioplayer::ShowButtons() {
    const std::int64_t position = state_ == PlayerState::Playing ? device_->Position() : 0;
    const PlayerButtons on = ButtonsFor(state_, position, device_->Length());
    btnPlay_->setEnabled(on.Play);
    btnPause_->setEnabled(on.Pause);
    btnStop_->setEnabled(on.Stop);
    btnFor_->setEnabled(on.Forward || forwardHold_ > 0);  // a held button stays usable
    btnRew_->setEnabled(on.Rewind || rewindHold_ > 0);
    btnEject_->setEnabled(on.Eject);
}

void TAudioplayer::ShowPosition(std::int64_t position) {
    lblTime_->setText(QString::fromStdString(PlayTimeText(position)));
}

void TAudioplayer::PlayFile(const std::string& file, const QString& caption,
                            const Songs& following) {
    try {
        device_->Stop();
        device_->Close();
    } catch (const std::exception&) {
        // a device that would not stop is opened anew all the same
    }
    fileName_ = file;
    try {
        device_->Open(file);
    } catch (...) {
        timer4_->stop();
        lblTitel_->SetScrolling(false);
        SetState(PlayerState::Stopped);
        throw;
    }
    caption_ = caption;
    StopWinding();
    lblTitel_->SetText(caption);
    lblTitel_->Rewind();
    if (!following.empty()) QueueNext(following);
    device_->Play();
    timer4_->start();
    lblTitel_->SetScrolling(true);
    SetState(PlayerState::Playing);
    emit PlayerChanged();
}

bool TAudioplayer::QueueNext(const Songs& songs) {
    std::vector<std::string> files;
    for (const auto& [file, caption] : songs) {
        files.push_back(file);
        queuedCaptions_[file] = caption;
    }
    return device_->QueueNext(files);
}

void TAudioplayer::StopPlayback() {
    try {
        device_->Stop();
    } catch (const std::exception&) {
    }
    timer4_->stop();
    lblTitel_->SetScrolling(false);
}

void TAudioplayer::BtnMPlayClick() {
    if (fileName_.empty()) {
        // After Eject: the last song again, from its start.
        if (lastFile_.empty()) return;
        try {
            PlayFile(lastFile_, lastCaption_);
        } catch (const std::exception& error) {
            prompts_.Tell(this, QStringLiteral("Fehler"),
                          QStringLiteral("Die Datei %1 kann nicht abgespielt werden: %2")
                              .arg(QString::fromStdString(lastFile_),
                                   QString::fromStdString(error.what())),
                          PromptIcon::Error);
        }
        return;
    }
    lblTitel_->SetScrolling(true);
    device_->Play();
    timer4_->start();
    SetState(PlayerState::Playing);
    emit PlayerChanged();
}

void TAudioplayer::BtnMPauseClick() {
    timer4_->stop();
    lblTitel_->SetScrolling(false);
    if (device_->GetMode() == MediaDevice::Mode::Playing)
        device_->Pause();
    else if (device_->GetMode() == MediaDevice::Mode::Paused)
        device_->Resume();
    SetState(PlayerState::Paused);
    emit PlayerChanged();
}

void TAudioplayer::BtnMStopClick() {
    timer4_->stop();
    lblTitel_->SetScrolling(false);
    lblTitel_->Rewind();
    try {
        device_->Stop();
        device_->Seek(0);
    } catch (const std::exception&) {
    }
    SetState(PlayerState::Stopped);
    ShowPosition(0);
    emit PlayerChanged();
}

void TAudioplayer::BtnMEjectClick() {
    BtnMStopClick();
    // The advance stops with the file name cleared; the device stays open until
    // the next song. Play plays the last song again.
    if (!fileName_.empty()) {
        lastFile_ = fileName_;
        lastCaption_ = caption_;
    }
    device_->QueueNext(std::vector<std::string>{});
    fileName_.clear();
    try {
        if (device_->CanEject()) device_->OpenDoor();
    } catch (const std::exception&) {
    }
    lblTitel_->SetText(kIdleTitle);
    SetState(PlayerState::Stopped);
    emit PlayerChanged();
}

void TAudioplayer::BtnMForPress() {
    forwardHold_ = 1;
}

void TAudioplayer::BtnMForRelease() {
    forwardHold_ = 0;
    try {
        device_->Play();
    } catch (const std::exception&) {
    }
    timer4_->start();
}

void TAudioplayer::BtnMRewPress() {
    rewindHold_ = 1;
}

void TAudioplayer::BtnMRewRelease() {
    rewindHold_ = 0;
    try {
        device_->Play();
    } catch (const std::exception&) {
    }
    timer4_->start();
}

void TAudioplayer::Timer4Timer() {
    std::int64_t position = device_->Position();
    const std::int64_t length = device_->Length();
    btnRew_->setEnabled(position > 0 || rewindHold_ > 0);
    btnFor_->setEnabled(length <= 0 || position < length || forwardHold_ > 0);
    if (forwardHold_ > 0) {
        // Winding stops at the song's end: the rest plays out, and the next song
        // is never wound.
        const std::int64_t target = WindPosition(position, forwardHold_, true);
        if (length > 0 && target >= length) {
            StopWinding();
        } else {
            position = target;
            device_->Seek(position);
        }
    }
    if (rewindHold_ > 0) {
        position = WindPosition(position, rewindHold_, false);
        device_->Seek(position);
    }
    ShowPosition(length > 0 ? std::clamp<std::int64_t>(position, 0, length)
                            : std::max<std::int64_t>(position, 0));
}

void TAudioplayer::SLVolumeChange(int value) {
    if (device_->HasVolume()) device_->SetVolume(value);
}

void TAudioplayer::ShowDeviceVolume() {
    if (device_->HasVolume()) slVolume_->setValue(device_->Volume());
}

}  // namespace tv
