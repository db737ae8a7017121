#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tv {

// Replaces the file at path by data without ever leaving a half-written file
// (through OutputFile: a temporary file beside it, flushed and renamed; links
// followed; the old file's mode kept; a FIFO, device or directory refused).
// Throws std::system_error naming the file when any step fails; the old file is
// then unchanged.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view data);

// Writes a new file the same way, but never replaces anything: when a file (or
// link) of that name exists, it throws std::system_error with EEXIST.
void WriteNewFileAtomically(const std::filesystem::path& path, std::string_view data);

// Reads a whole regular file (a FIFO, device or directory is refused, never waited
// for). Throws std::system_error naming the file when it cannot be opened or read.
std::string ReadWholeFile(const std::filesystem::path& path);

}  // namespace tv
