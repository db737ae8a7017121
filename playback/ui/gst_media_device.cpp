#include "playback/ui/gst_media_device.h"

#include <fcntl.h>
#include <gst/audio/gstaudiobasesink.h>
#include <gst/audio/streamvolume.h>
#include <gst/gst.h>

#include <QMetaObject>
#include <algorithm>
#include <cmath>
#include <chrono>
#include <stdexcept>
#include <utility>

#include "base/safe_open.h"

namespace tv {
namespace {

// playbin's flags: audio only, and the volume of the sink (the sound server's
// stream volume) instead of a volume element of its own.
constexpr guint kPlayFlagAudio = 0x02;

// A file:// address made from the name's bytes (any bytes, percent-escaped).
std::string FileUri(const std::string& file) {
    GError* error = nullptr;
    gchar* uri = g_filename_to_uri(file.c_str(), nullptr, &error);
    if (uri == nullptr) {
        const std::string reason = error ? error->message : "ungültiger Dateiname";
        g_clear_error(&error);
        throw std::runtime_error(reason);
    }
    std::string text(uri);
    g_free(uri);
    return text;
}

// A file of the user's is played only when it is a regular file.
void CheckRegularFile(const std::string& file) {
    std::error_code error;
    if (!OpenRegularFile(file, O_RDONLY, error).Valid()) throw std::runtime_error(error.message());
}

// The file an error message is about: the address of the uridecodebin the
// failing element sits in (playbin has one per file, the next one while the
// current one still plays). Empty when the message comes from elsewhere.
std::string FileOfMessage(GstMessage* message) {
    for (GstObject* object = GST_MESSAGE_SRC(message); object != nullptr;
         object = GST_OBJECT_PARENT(object)) {
        if (!GST_IS_ELEMENT(object)) continue;
        GstElementFactory* factory = gst_element_get_factory(GST_ELEMENT(object));
        if (factory == nullptr) continue;
        const std::string name = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory));
        if (name.rfind("uridecodebin", 0) != 0) continue;
        gchar* uri = nullptr;
        g_object_get(object, "uri", &uri, nullptr);
        std::string file;
        if (uri != nullptr) {
            if (gchar* name = g_filename_from_uri(uri, nullptr, nullptr)) {
                file = name;
                g_free(name);
            }
            g_free(uri);
        }
        return file;
    }
    return {};
}

// Whether an error message comes from the audio sink (the sound server's side)
// rather than from reading or decoding a file.
bool IsFromAudioSink(GstMessage* message) {
    for (GstObject* object = GST_MESSAGE_SRC(message); object != nullptr;
         object = GST_OBJECT_PARENT(object)) {
        if (GST_IS_AUDIO_BASE_SINK(object)) return true;
    }
    return false;
}

// The sound server dropping the stream is taken up again at most once in this time.
constexpr std::chrono::seconds kSinkTakeUpInterval{10};

GstElement* MakeAudioSink() {
    if (GstElement* pulse = gst_element_factory_make("pulsesink", nullptr)) {
        // The stream as the sound server shows it (and keeps its volume for).
        GstStructure* properties = gst_structure_new(
            "properties", "media.role", G_TYPE_STRING, "music", "application.name", G_TYPE_STRING,
            "MP3-TUNEVAULT", "application.icon_name", G_TYPE_STRING, "tunevault", nullptr);
        g_object_set(pulse, "client-name", "MP3-TUNEVAULT", "stream-properties", properties,
                     nullptr);
        gst_structure_free(properties);
        return pulse;
    }
    return gst_element_factory_make("autoaudiosink", nullptr);
}

}  // namespace

GstMediaDevice::GstMediaDevice(QObject* parent) : QObject(parent) {
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    playbin_ = gst_element_factory_make("playbin", nullptr);
    if (playbin_ == nullptr) return;  // every Open reports it
    gst_object_ref_sink(playbin_);
    g_object_set(playbin_, "flags", kPlayFlagAudio, nullptr);
    if (GstElement* sink = MakeAudioSink()) g_object_set(playbin_, "audio-sink", sink, nullptr);
    GstBus* bus = gst_element_get_bus(playbin_);
    gst_bus_set_sync_handler(bus, reinterpret_cast<GstBusSyncHandler>(&OnBusMessage), this,
                             nullptr);
    gst_object_unref(bus);
    g_signal_connect(playbin_, "about-to-finish", G_CALLBACK(&OnAboutToFinish), this);
    g_signal_connect(playbin_, "notify::volume", G_CALLBACK(&OnVolumeNotify), this);
}

GstMediaDevice::~GstMediaDevice() {
    if (playbin_ == nullptr) return;
    // Stops the streaming threads; reports still queued for this object go with it.
    Restart(GST_STATE_NULL);
    g_signal_handlers_disconnect_by_data(playbin_, this);
    GstBus* bus = gst_element_get_bus(playbin_);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(playbin_);
}

template <typename Report>
void GstMediaDevice::Post(Report report) {
    const unsigned generation = generation_;
    QMetaObject::invokeMethod(
        this,
        [this, generation, report = std::move(report)] {
            if (generation == generation_) report();
        },
        Qt::QueuedConnection);
}

int GstMediaDevice::OnBusMessage(GstBus*, GstMessage* message, void* self) {
    // In whichever thread posted the message.
    auto* device = static_cast<GstMediaDevice*>(self);
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ERROR: {
            GError* error = nullptr;
            gst_message_parse_error(message, &error, nullptr);
            const std::string reason = error ? error->message : "GStreamer-Fehler";
            g_clear_error(&error);
            const std::string file = FileOfMessage(message);
            const bool fromSink = file.empty() && IsFromAudioSink(message);
            device->Post(
                [device, reason, file, fromSink] { device->HandleError(reason, file, fromSink); });
            break;
        }
        case GST_MESSAGE_EOS:
            device->Post([device] { device->HandleEnd(); });
            break;
        case GST_MESSAGE_STREAM_START: {
            // Only a file handed over in about-to-finish starts a new song; any
            // other stream start belongs to the opened file.
            bool handedOver = false;
            {
                std::lock_guard lock(device->mutex_);
                handedOver = std::exchange(device->awaitingStart_, false);
            }
            device->started_.notify_all();
            device->Post([device, handedOver] { device->HandleStreamStart(handedOver); });
            break;
        }
        default:
            break;
    }
    return GST_BUS_DROP;
}

void GstMediaDevice::OnAboutToFinish(GstElement* playbin, void* self) {
    // In a streaming thread, once the current file is read to its end: the queued
    // file becomes the next stream and starts on the sample after the last.
    // playbin holds one file ahead: a file that was read whole before it began
    // (a WAV file, a tag read ahead) waits here until the one before it has
    // started, which another thread reports. A restart ends the wait at once.
    auto* device = static_cast<GstMediaDevice*>(self);
    std::unique_lock lock(device->mutex_);
    device->started_.wait_for(lock, std::chrono::seconds(5), [device] {
        return !device->awaitingStart_ || device->restarting_;
    });
    if (device->awaitingStart_ || device->restarting_) return;
    while (!device->upcoming_.empty()) {
        std::string file = std::move(device->upcoming_.front());
        device->upcoming_.pop_front();
        try {
            g_object_set(playbin, "uri", FileUri(file).c_str(), nullptr);
            device->handedOver_.push_back(std::move(file));
            device->awaitingStart_ = true;
            return;
        } catch (const std::exception&) {
            // a name that cannot be an address: the next one
        }
    }
}

void GstMediaDevice::OnVolumeNotify(GstElement*, void*, void* self) {
    auto* device = static_cast<GstMediaDevice*>(self);
    if (device->settingVolume_) return;
    QMetaObject::invokeMethod(
        device,
        [device] {
            if (device->OnVolumeChanged) device->OnVolumeChanged(device->Volume());
        },
        Qt::QueuedConnection);
}

void GstMediaDevice::Restart(int state) {
    // Once the state change has returned, the streaming threads of the last run
    // are gone: what they posted is dropped, and nothing is handed over any more.
    {
        std::lock_guard lock(mutex_);
        restarting_ = true;
    }
    started_.notify_all();
    gst_element_set_state(playbin_, static_cast<GstState>(state));
    ++generation_;
    std::lock_guard lock(mutex_);
    restarting_ = false;
    upcoming_.clear();
    handedOver_.clear();
    awaitingStart_ = false;
}

void GstMediaDevice::HandleError(const std::string& reason, const std::string& failedFile,
                                 bool fromSink) {
    if (fromSink && TakeUpAfterSinkFailure()) return;
    // An error ends the stream; the elements' further reports of it are dropped.
    bool nextFailed = false;
    {
        std::lock_guard lock(mutex_);
        nextFailed = std::find(handedOver_.begin(), handedOver_.end(), failedFile) !=
                     handedOver_.end();
    }
    // Down to NULL: playbin keeps a failed next file otherwise and tries it again
    // on the next start.
    // The address goes back to the current file, so that Play never tries the
    // failed one again.
    Restart(GST_STATE_NULL);
    ended_ = false;
    mode_ = Mode::NotReady;
    if (!file_.empty()) {
        try {
            g_object_set(playbin_, "uri", FileUri(file_).c_str(), nullptr);
        } catch (const std::exception&) {
        }
    }
    if (nextFailed) {
        if (OnNextFailed) OnNextFailed(failedFile, reason);
        return;
    }
    if (OnFailed) OnFailed(reason);
}

bool GstMediaDevice::TakeUpAfterSinkFailure() {
    const auto now = std::chrono::steady_clock::now();
    if (mode_ != Mode::Playing || file_.empty()) return false;
    if (lastTakeUp_ != std::chrono::steady_clock::time_point{} &&
        now - lastTakeUp_ < kSinkTakeUpInterval)
        return false;
    lastTakeUp_ = now;
    gint64 nanoseconds = 0;
    const std::int64_t position =
        gst_element_query_position(playbin_, GST_FORMAT_TIME, &nanoseconds) && nanoseconds > 0
            ? nanoseconds / GST_MSECOND
            : lastPosition_;
    // What follows: the files given to playbin that have not started, then the queue.
    std::deque<std::string> following;
    {
        std::lock_guard lock(mutex_);
        following = handedOver_;
        following.insert(following.end(), upcoming_.begin(), upcoming_.end());
    }
    Restart(GST_STATE_NULL);
    try {
        g_object_set(playbin_, "uri", FileUri(file_).c_str(), nullptr);
    } catch (const std::exception&) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        upcoming_ = std::move(following);
    }
    // A new stream with the server; the seek needs the decoder ready (a short wait
    // of the main thread: the file was playing a moment ago).
    if (gst_element_set_state(playbin_, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) return false;
    gst_element_get_state(playbin_, nullptr, nullptr, 2 * GST_SECOND);
    if (position > 0)
        gst_element_seek_simple(playbin_, GST_FORMAT_TIME,
                                static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                position * GST_MSECOND);
    gst_element_set_state(playbin_, GST_STATE_PLAYING);
    return true;
}

void GstMediaDevice::HandleStreamStart(bool handedOver) {
    std::string started;
    if (handedOver) {
        std::lock_guard lock(mutex_);
        if (!handedOver_.empty()) {
            started = std::move(handedOver_.front());
            handedOver_.pop_front();
        }
    }
    if (!started.empty()) {
        file_ = started;
        lastPosition_ = 0;
        loadedReported_ = true;
        if (OnNextStarted) OnNextStarted(started);
        return;
    }
    if (loadedReported_) return;
    loadedReported_ = true;
    if (OnLoaded) OnLoaded();
}

void GstMediaDevice::HandleEnd() {
    // The stream stays at its end; a seek is kept until the next Play, which
    // would otherwise decode the file anew right now.
    ended_ = true;
    seekAfterEnd_ = Length();
    mode_ = Mode::Stopped;
    if (OnEnded) OnEnded();
}

void GstMediaDevice::Open(const std::string& file) {
    if (playbin_ == nullptr)
        throw std::runtime_error("GStreamer kann nicht abspielen (playbin fehlt)");
    CheckRegularFile(file);
    const std::string uri = FileUri(file);
    Restart(GST_STATE_READY);
    g_object_set(playbin_, "uri", uri.c_str(), nullptr);
    file_ = file;
    lastPosition_ = 0;
    ended_ = false;
    loadedReported_ = false;
    mode_ = Mode::Stopped;
}

void GstMediaDevice::Close() {
    if (playbin_ == nullptr) return;
    Restart(GST_STATE_READY);
    ended_ = false;
    mode_ = Mode::NotReady;
}

void GstMediaDevice::Play() {
    if (playbin_ == nullptr || file_.empty()) return;
    if (mode_ == Mode::NotReady) loadedReported_ = false;  // the file starts anew
    gst_element_set_state(playbin_, GST_STATE_PLAYING);
    if (ended_) {
        ended_ = false;
        gst_element_seek_simple(playbin_, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH,
                                seekAfterEnd_ * GST_MSECOND);
    }
    mode_ = Mode::Playing;
}

void GstMediaDevice::Pause() {
    if (playbin_ == nullptr) return;
    gst_element_set_state(playbin_, GST_STATE_PAUSED);
    mode_ = Mode::Paused;
}

void GstMediaDevice::Resume() {
    Play();
}

void GstMediaDevice::Stop() {
    if (playbin_ == nullptr || mode_ == Mode::NotReady) return;
    // Paused keeps the position; the player then seeks to the start.
    gst_element_set_state(playbin_, GST_STATE_PAUSED);
    mode_ = Mode::Stopped;
}

void GstMediaDevice::Seek(std::int64_t position) {
    if (playbin_ == nullptr || mode_ == Mode::NotReady) return;
    const std::int64_t length = Length();
    position = std::max<std::int64_t>(position, 0);
    if (length > 0) position = std::min(position, length);
    if (ended_) {
        seekAfterEnd_ = position;
        return;
    }
    gst_element_seek_simple(playbin_, GST_FORMAT_TIME,
                            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT),
                            position * GST_MSECOND);
}

std::int64_t GstMediaDevice::Position() const {
    if (ended_) return seekAfterEnd_;
    gint64 position = 0;
    if (playbin_ == nullptr || !gst_element_query_position(playbin_, GST_FORMAT_TIME, &position))
        return 0;
    lastPosition_ = std::max<gint64>(position, 0) / GST_MSECOND;
    return lastPosition_;
}

std::int64_t GstMediaDevice::Length() const {
    gint64 duration = 0;
    if (playbin_ == nullptr || !gst_element_query_duration(playbin_, GST_FORMAT_TIME, &duration))
        return 0;
    return std::max<gint64>(duration, 0) / GST_MSECOND;
}

int GstMediaDevice::Volume() const {
    if (playbin_ == nullptr) return 0;
    const double cubic = gst_stream_volume_get_volume(GST_STREAM_VOLUME(playbin_),
                                                      GST_STREAM_VOLUME_FORMAT_CUBIC);
    return static_cast<int>(std::lround(std::clamp(cubic, 0.0, 1.0) * 65535.0));
}

void GstMediaDevice::SetVolume(int volume) {
    if (playbin_ == nullptr) return;
    settingVolume_ = true;
    gst_stream_volume_set_volume(GST_STREAM_VOLUME(playbin_), GST_STREAM_VOLUME_FORMAT_CUBIC,
                                 std::clamp(volume, 0, 65535) / 65535.0);
    settingVolume_ = false;
}

bool GstMediaDevice::QueueNext(const std::vector<std::string>& files) {
    if (playbin_ == nullptr) return false;
    std::lock_guard lock(mutex_);
    upcoming_.clear();
    // The files the decoder has already taken stand at the front of the list.
    for (std::size_t i = handedOver_.size(); i < files.size(); ++i) {
        try {
            CheckRegularFile(files[i]);
        } catch (const std::exception&) {
            break;  // the list ends before a file that cannot be played
        }
        upcoming_.push_back(files[i]);
    }
    return true;
}

}  // namespace tv
