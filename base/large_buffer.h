#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string_view>

namespace tv {

// Uninitialised bytes for large data (a list file read whole, the text blocks of
// a list): not cleared before use, and for sizes of several megabytes aligned and
// offered to the kernel for huge pages, so that filling them costs far fewer page
// faults. Throws std::bad_alloc when the memory cannot be had.
class LargeBuffer {
  public:
    LargeBuffer() = default;
    explicit LargeBuffer(std::size_t size);

    char* Data() noexcept { return data_.get(); }
    const char* Data() const noexcept { return data_.get(); }
    std::size_t Size() const noexcept { return size_; }

  private:
    struct Free {
        void operator()(char* data) const noexcept;
    };
    std::unique_ptr<char, Free> data_;
    std::size_t size_ = 0;
};

// Text built by appending, for large data: kept in a LargeBuffer that grows by
// doubling, and whose memory stays when the text is cleared.
class GrowingText {
  public:
    // Room for at least `capacity` bytes in all.
    void Reserve(std::size_t capacity);
    // Makes the text `bytes` longer and returns where the new bytes (not set) begin.
    char* Extend(std::size_t bytes);
    void Append(std::string_view text);
    // Shortens the text to `size` bytes (a larger size is ignored).
    void Truncate(std::size_t size) noexcept;
    void Clear() noexcept { size_ = 0; }

    std::string_view View() const noexcept { return {buffer_.Data(), size_}; }
    std::size_t Size() const noexcept { return size_; }

  private:
    LargeBuffer buffer_;
    std::size_t size_ = 0;
};

// A regular file's bytes, read whole into a LargeBuffer (a FIFO, device or
// directory is refused, never waited for). A file that grows while it is read is
// read to the size it had when it was opened plus what fits; one that shrinks, to
// its new end. Throws std::system_error naming the file when it cannot be opened
// or read.
class FileBytes {
  public:
    explicit FileBytes(const std::filesystem::path& path);
    std::string_view View() const noexcept { return {buffer_.Data(), size_}; }

  private:
    LargeBuffer buffer_;
    std::size_t size_ = 0;
};

}  // namespace tv
