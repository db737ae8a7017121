#include "picture/sane_scanner.h"

#include <csignal>
#include <mutex>

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace tv {
namespace {

// A scan larger than this (an A4 page at 1200 dpi in colour is about 400 MB)
// is refused rather than risk running out of memory.
constexpr std::size_t kMaxFrameBytes = std::size_t{1} << 30;

// sane_init ... sane_exit around each use.
class SaneSession {
  public:
    SaneSession() {
        // Backends pass the picture from a reader thread or process through a
        // pipe; a cancelled scan closes its reading end, and the reader's next
        // write must not end the program with SIGPIPE. (SANE ignores the signal
        // itself only while it finds the default action, and sets the default
        // again after each scan.)
        ::signal(SIGPIPE, SIG_IGN);
        SANE_Int version = 0;
        const SANE_Status status = sane_init(&version, nullptr);
        if (status != SANE_STATUS_GOOD) throw std::runtime_error(sane_strstatus(status));
    }
    ~SaneSession() { sane_exit(); }
    SaneSession(const SaneSession&) = delete;
    SaneSession& operator=(const SaneSession&) = delete;
};

class SaneDevice {
  public:
    explicit SaneDevice(const std::string& name) {
        const SANE_Status status = sane_open(name.c_str(), &handle_);
        if (status != SANE_STATUS_GOOD) throw std::runtime_error(sane_strstatus(status));
    }
    ~SaneDevice() {
        sane_cancel(handle_);
        sane_close(handle_);
    }
    SaneDevice(const SaneDevice&) = delete;
    SaneDevice& operator=(const SaneDevice&) = delete;
    SANE_Handle Handle() const noexcept { return handle_; }

    // Sets an option by name where the device has it (a string, or a number as
    // an integer or fixed-point value); options it lacks are left alone.
    void Set(const char* name, const char* text, int number) {
        for (SANE_Int index = 1;; ++index) {
            const SANE_Option_Descriptor* option = sane_get_option_descriptor(handle_, index);
            if (option == nullptr) return;
            if (option->name == nullptr || std::strcmp(option->name, name) != 0) continue;
            if (!SANE_OPTION_IS_SETTABLE(option->cap) || !SANE_OPTION_IS_ACTIVE(option->cap))
                return;
            SANE_Int info = 0;
            if (option->type == SANE_TYPE_STRING && text != nullptr) {
                std::vector<char> value(std::max<std::size_t>(option->size, std::strlen(text) + 1));
                std::strcpy(value.data(), text);
                sane_control_option(handle_, index, SANE_ACTION_SET_VALUE, value.data(), &info);
            } else if (option->type == SANE_TYPE_INT) {
                SANE_Int value = number;
                sane_control_option(handle_, index, SANE_ACTION_SET_VALUE, &value, &info);
            } else if (option->type == SANE_TYPE_FIXED) {
                SANE_Fixed value = SANE_FIX(number);
                sane_control_option(handle_, index, SANE_ACTION_SET_VALUE, &value, &info);
            }
            return;
        }
    }

  private:
    SANE_Handle handle_ = nullptr;
};

// One sample of a line as an 8-bit value.
std::uint8_t Sample(const std::vector<SANE_Byte>& line, int depth, int index) {
    if (depth == 8) return line[static_cast<std::size_t>(index)];
    if (depth == 16) return line[static_cast<std::size_t>(index) * 2 + 1];  // little end first
    // Line art: a set bit is black.
    const bool set = (line[static_cast<std::size_t>(index / 8)] >> (7 - index % 8)) & 1;
    return set ? 0 : 255;
}

// SANE's state belongs to the process (sane_init, sane_exit, the backends'
// own globals): one lock for every scanner object of the program.
std::mutex& SaneLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

std::vector<ScannerDevice> SaneScanner::FindScanners() {
    std::lock_guard lock(SaneLock());
    SaneSession session;
    const SANE_Device** devices = nullptr;
    std::vector<ScannerDevice> found;
    if (sane_get_devices(&devices, SANE_FALSE) != SANE_STATUS_GOOD || devices == nullptr)
        return found;
    for (const SANE_Device** device = devices; *device != nullptr; ++device)
        found.push_back(
            {(*device)->name ? (*device)->name : "", (*device)->vendor ? (*device)->vendor : "",
             (*device)->model ? (*device)->model : "", (*device)->type ? (*device)->type : ""});
    return found;
}

RgbImage SaneScanner::Scan(const std::string& deviceName, ScanMode mode, int dotsPerInch,
                           const std::function<bool(int)>& progress) {
    std::lock_guard lock(SaneLock());
    cancel_ = false;
    SaneSession session;
    SaneDevice device(deviceName);
    const char* modeName = mode == ScanMode::Colour ? SANE_VALUE_SCAN_MODE_COLOR
                           : mode == ScanMode::Grey ? SANE_VALUE_SCAN_MODE_GRAY
                                                    : SANE_VALUE_SCAN_MODE_LINEART;
    device.Set(SANE_NAME_SCAN_MODE, modeName, 0);
    device.Set(SANE_NAME_SCAN_RESOLUTION, nullptr, dotsPerInch);

    RgbImage image;
    std::vector<SANE_Byte> frameBytes;
    for (bool lastFrame = false; !lastFrame;) {
        SANE_Status status = sane_start(device.Handle());
        if (status == SANE_STATUS_CANCELLED) return {};
        if (status != SANE_STATUS_GOOD) throw std::runtime_error(sane_strstatus(status));
        SANE_Parameters parameters{};
        status = sane_get_parameters(device.Handle(), &parameters);
        if (status != SANE_STATUS_GOOD) throw std::runtime_error(sane_strstatus(status));
        if (parameters.lines <= 0 || parameters.pixels_per_line <= 0 ||
            parameters.bytes_per_line <= 0)
            throw std::runtime_error("Der Scanner nennt die Bildgröße nicht im Voraus");
        lastFrame = parameters.last_frame == SANE_TRUE;
        const std::size_t total =
            static_cast<std::size_t>(parameters.bytes_per_line) * parameters.lines;
        if (total > kMaxFrameBytes ||
            static_cast<std::size_t>(parameters.pixels_per_line) * parameters.lines * 3 >
                kMaxFrameBytes)
            throw std::runtime_error("Das Bild wäre zu groß; bitte eine kleinere Auflösung wählen");
        frameBytes.assign(total, 0);
        std::size_t got = 0;
        SANE_Int length = 0;
        // Read to the end of the frame (SANE_STATUS_EOF), as the backend expects;
        // bytes beyond the announced size are dropped.
        std::vector<SANE_Byte> surplus(4096);
        for (;;) {
            if (cancel_ || (progress && !progress(static_cast<int>(got * 100 / total)))) {
                sane_cancel(device.Handle());
                return {};
            }
            const bool full = got >= total;
            status = sane_read(device.Handle(), full ? surplus.data() : frameBytes.data() + got,
                               static_cast<SANE_Int>(full ? surplus.size()
                                                          : std::min<std::size_t>(total - got, 65536)),
                               &length);
            if (status == SANE_STATUS_EOF) break;
            if (status == SANE_STATUS_CANCELLED) return {};
            if (status != SANE_STATUS_GOOD) throw std::runtime_error(sane_strstatus(status));
            if (!full) got += static_cast<std::size_t>(length);
        }
        const int width = parameters.pixels_per_line;
        const int height = parameters.lines;
        if (image.Empty()) {
            image.Width = width;
            image.Height = height;
            image.Pixels.assign(static_cast<std::size_t>(width) * height * 3, 0);
        }
        const int depth = parameters.depth;
        std::vector<SANE_Byte> line(static_cast<std::size_t>(parameters.bytes_per_line));
        for (int y = 0; y < std::min(height, image.Height); ++y) {
            std::memcpy(line.data(),
                        frameBytes.data() + static_cast<std::size_t>(y) * parameters.bytes_per_line,
                        line.size());
            std::uint8_t* out = image.Pixels.data() + static_cast<std::size_t>(y) * image.Width * 3;
            for (int x = 0; x < std::min(width, image.Width); ++x) {
                switch (parameters.format) {
                    case SANE_FRAME_RGB:
                        for (int c = 0; c < 3; ++c) out[x * 3 + c] = Sample(line, depth, x * 3 + c);
                        break;
                    case SANE_FRAME_GRAY:
                        out[x * 3] = out[x * 3 + 1] = out[x * 3 + 2] = Sample(line, depth, x);
                        break;
                    case SANE_FRAME_RED:
                        out[x * 3] = Sample(line, depth, x);
                        break;
                    case SANE_FRAME_GREEN:
                        out[x * 3 + 1] = Sample(line, depth, x);
                        break;
                    case SANE_FRAME_BLUE:
                        out[x * 3 + 2] = Sample(line, depth, x);
                        break;
                }
            }
        }
    }
    if (progress) progress(100);
    return image;
}

}  // namespace tv
