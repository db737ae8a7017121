#include "playback/ui/gst_media_device.h"

#include <fcntl.h>
#include <gst/audio/streamvolume.h>
#include <gst/gst.h>

#include <QMetaObject>
#include <algorithm>
#include <cmath>
#include <stdexcept>

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
    gst_element_set_state(playbin_, GST_STATE_NULL);
    g_signal_handlers_disconnect_by_data(playbin_, this);
    GstBus* bus = gst_element_get_bus(playbin_);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(playbin_);
}

int GstMediaDevice::OnBusMessage(GstBus*, GstMessage* message, void* self) {
    auto* device = static_cast<GstMediaDevice*>(self);
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ERROR: {
            GError* error = nullptr;
            gst_message_parse_error(message, &error, nullptr);
            const std::string reason = error ? error->message : "GStreamer-Fehler";
            g_clear_error(&error);
            QMetaObject::invokeMethod(
                device, [device, reason] { device->HandleError(reason); }, Qt::QueuedConnection);
            break;
        }
        case GST_MESSAGE_EOS:
            QMetaObject::invokeMethod(
                device, [device] { device->HandleEnd(); }, Qt::QueuedConnection);
            break;
        case GST_MESSAGE_STREAM_START:
            QMetaObject::invokeMethod(
                device, [device] { device->HandleStreamStart(); }, Qt::QueuedConnection);
            break;
        default:
            break;
    }
    return GST_BUS_DROP;
}

void GstMediaDevice::OnAboutToFinish(GstElement* playbin, void* self) {
    // In a streaming thread, before the current file's last sample: the queued
    // file becomes the next stream, without a gap.
    auto* device = static_cast<GstMediaDevice*>(self);
    std::lock_guard lock(device->mutex_);
    if (device->queued_.empty()) return;
    try {
        g_object_set(playbin, "uri", FileUri(device->queued_).c_str(), nullptr);
        device->switching_ = std::move(device->queued_);
    } catch (const std::exception&) {
        // a name that cannot be an address: the song ends, the advance goes on
    }
    device->queued_.clear();
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

void GstMediaDevice::HandleError(const std::string& reason) {
    std::string failedNext;
    {
        std::lock_guard lock(mutex_);
        failedNext = std::exchange(switching_, {});
        queued_.clear();
    }
    gst_element_set_state(playbin_, GST_STATE_READY);  // an error ends the stream
    mode_ = Mode::Stopped;
    if (!failedNext.empty()) {
        if (OnNextFailed) OnNextFailed(failedNext, reason);
        return;
    }
    if (failureReported_) return;  // one report per file: the pipeline may repeat itself
    failureReported_ = true;
    if (OnFailed) OnFailed(reason);
}

void GstMediaDevice::HandleStreamStart() {
    std::string started;
    {
        std::lock_guard lock(mutex_);
        started = std::exchange(switching_, {});
    }
    if (!started.empty()) {
        file_ = started;
        failureReported_ = false;
        loadedReported_ = true;
        if (OnNextStarted) OnNextStarted(started);
        return;
    }
    if (loadedReported_) return;
    loadedReported_ = true;
    if (OnLoaded) OnLoaded();
}

void GstMediaDevice::HandleEnd() {
    mode_ = Mode::Stopped;
    if (OnEnded) OnEnded();
}

void GstMediaDevice::Open(const std::string& file) {
    if (playbin_ == nullptr)
        throw std::runtime_error("GStreamer kann nicht abspielen (playbin fehlt)");
    CheckRegularFile(file);
    const std::string uri = FileUri(file);
    gst_element_set_state(playbin_, GST_STATE_READY);
    {
        std::lock_guard lock(mutex_);
        queued_.clear();
        switching_.clear();
    }
    g_object_set(playbin_, "uri", uri.c_str(), nullptr);
    file_ = file;
    loadedReported_ = false;
    failureReported_ = false;
    mode_ = Mode::Stopped;
}

void GstMediaDevice::Close() {
    if (playbin_ == nullptr) return;
    gst_element_set_state(playbin_, GST_STATE_READY);
    std::lock_guard lock(mutex_);
    queued_.clear();
    switching_.clear();
    mode_ = Mode::NotReady;
}

void GstMediaDevice::Play() {
    if (playbin_ == nullptr || file_.empty()) return;
    gst_element_set_state(playbin_, GST_STATE_PLAYING);
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
    if (playbin_ == nullptr) return;
    const std::int64_t length = Length();
    position = std::max<std::int64_t>(position, 0);
    if (length > 0) position = std::min(position, length);
    gst_element_seek_simple(playbin_, GST_FORMAT_TIME,
                            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT),
                            position * GST_MSECOND);
}

std::int64_t GstMediaDevice::Position() const {
    gint64 position = 0;
    if (playbin_ == nullptr || !gst_element_query_position(playbin_, GST_FORMAT_TIME, &position))
        return 0;
    return std::max<gint64>(position, 0) / GST_MSECOND;
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

bool GstMediaDevice::QueueNext(const std::string& file) {
    if (playbin_ == nullptr) return false;
    if (!file.empty()) {
        try {
            CheckRegularFile(file);
        } catch (const std::exception&) {
            return false;
        }
    }
    std::lock_guard lock(mutex_);
    queued_ = file;
    return true;
}

}  // namespace tv
