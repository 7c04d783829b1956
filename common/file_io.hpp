// Whole-file reading and writing. A target is written to a temporary file beside it
// and renamed over it only once complete, so a failed save never leaves a partial
// file and never damages the file that was there before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

namespace fit {

enum class ReadStatus { ok, cannot_open, read_error };

struct ReadResult {
    ReadStatus status = ReadStatus::ok;
    std::size_t count = 0;  // bytes read into the buffer
    bool longer = false;    // the file holds more than the buffer
};

// Fills `into` from the start of the file, as far as the file goes.
ReadResult read_file(const std::string& path, std::span<std::uint8_t> into);

// Reads the file into `bytes`, which grows as needed, up to `limit` bytes; `longer`
// tells that the file goes on past the limit (a device like /dev/zero never ends).
ReadResult read_file_upto(const std::string& path, std::size_t limit,
                          std::vector<std::uint8_t>& bytes);

enum class WriteStatus { written, cannot_create, short_write };

// Writes the pieces one after the other as the whole content of `path`.
// A regular file (or a path that does not exist yet) is replaced atomically; it keeps
// the permissions of the file it replaces, or gets those of a plain create. Anything
// else that exists (a device, a pipe, /dev/stdout) is written directly, and so is a
// writable file in a directory where no file can be made beside it.
WriteStatus write_file(const std::string& path,
                       std::initializer_list<std::span<const std::uint8_t>> pieces);

}  // namespace fit
