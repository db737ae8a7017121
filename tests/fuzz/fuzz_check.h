#pragma once

// What the fuzz targets share: a check that aborts with a message (so the fuzzer
// records the input), and a reader that takes pieces of the input in turn.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace tv::fuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(condition) \
    ((condition) ? (void)0 : ::tv::fuzz::Fail(#condition, __FILE__, __LINE__))

// A file or folder the target makes in the temporary folder once, removed with
// everything in it when the process ends (the fuzzer and the replay driver both
// end through exit, which destroys static objects).
class RemovedAtExit {
  public:
    explicit RemovedAtExit(std::filesystem::path path) : path_(std::move(path)) {}
    RemovedAtExit(const RemovedAtExit&) = delete;
    RemovedAtExit& operator=(const RemovedAtExit&) = delete;
    ~RemovedAtExit() {
        std::error_code ignored;  // nothing to report to at exit
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& Path() const noexcept { return path_; }

  private:
    std::filesystem::path path_;
};

// Takes bytes, numbers and strings from the front of the input.
class InputReader {
  public:
    InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const noexcept { return position_ >= size_; }
    std::uint8_t Byte() { return Empty() ? 0 : data_[position_++]; }
    std::uint32_t Number(std::uint32_t below) {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = value << 8 | Byte();
        return below == 0 ? value : value % below;
    }
    // A string of up to maxLength bytes, its length taken from one byte.
    std::string Text(std::size_t maxLength) {
        // The length byte first: what is left is counted after it.
        const std::size_t wanted = Byte() % (maxLength + 1);
        const std::size_t length = std::min<std::size_t>(wanted, size_ - std::min(position_, size_));
        std::string text(reinterpret_cast<const char*>(data_) + position_, length);
        position_ += length;
        return text;
    }
    std::span<const std::uint8_t> Bytes(std::size_t count) {
        count = std::min(count, size_ - std::min(position_, size_));
        std::span<const std::uint8_t> bytes(data_ + position_, count);
        position_ += count;
        return bytes;
    }
    std::span<const std::uint8_t> Rest() { return Bytes(size_); }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

}  // namespace tv::fuzz
