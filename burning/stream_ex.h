#pragma once

#include <cstdint>
#include <string>

namespace tv {

// A stream of bytes with 64-bit positions.
class TStreamEx {
  public:
    enum class Origin { Begin, Current, End };

    virtual ~TStreamEx() = default;
    // The number of bytes read or written; 0 when the system call failed.
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    // The new position; -1 when the seek failed.
    virtual std::int64_t Seek(std::int64_t offset, Origin origin) = 0;

    std::int64_t Position() { return Seek(0, Origin::Current); }
    // The size, found by seeking to the end and back.
    std::int64_t Size();
};

// A stream over an operating-system file descriptor (not owned).
class THandleStreamEx : public TStreamEx {
  public:
    explicit THandleStreamEx(int handle) noexcept : handle_(handle) {}

    int Handle() const noexcept { return handle_; }
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, Origin origin) override;
    // Seeks to the size and truncates there; throws std::system_error on failure.
    void SetSize(std::int64_t size);

  protected:
    int handle_;
};

// A stream over a file it opens and closes. Mode kCreate creates (or empties) the
// file; any other mode opens an existing regular file (never a FIFO, device or
// directory), the low two bits choosing read (0), write (1) or read and write (2)
// access; the sharing bits have no meaning here. Throws std::system_error naming
// the file when it cannot be opened.
class TFileStreamEx : public THandleStreamEx {
  public:
    static constexpr unsigned kCreate = 0xFFFF;
    static constexpr unsigned kOpenRead = 0x0000;
    static constexpr unsigned kOpenReadShared = 0x0040;

    TFileStreamEx(const std::string& fileName, unsigned mode);
    ~TFileStreamEx() override;
    TFileStreamEx(const TFileStreamEx&) = delete;
    TFileStreamEx& operator=(const TFileStreamEx&) = delete;

    const std::string& FileName() const noexcept { return fileName_; }

  private:
    std::string fileName_;
};

}  // namespace tv
