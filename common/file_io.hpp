// The platform layer: whole-file reading and writing, and the little else the programs
// need from the system. One source per platform implements it.
//
// Whole-file reading and writing. A target is written to a temporary file beside it
// and renamed over it only once complete and flushed to disk, so a failed save, an
// interrupted one or a power cut never leaves a partial file and never damages the file
// that was there before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
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

// The same from standard input, in binary, to its end.
ReadResult read_standard_input(std::span<std::uint8_t> into);

// A limit that the first bytes decide (a file's kind and header tell how long it can
// be): called with the bytes read so far, before the first read and after each
// further one, it gives how far the reading may go. An endless source is then read
// no further than its beginning allows.
using LimitOf = std::function<std::size_t(std::span<const std::uint8_t> so_far)>;
ReadResult read_file_upto(const std::string& path, const LimitOf& limit_of,
                          std::vector<std::uint8_t>& bytes);
ReadResult read_standard_input_upto(const LimitOf& limit_of, std::vector<std::uint8_t>& bytes);

// Reads the file into `bytes`, which grows as needed, up to `limit` bytes; `longer`
// tells that the file goes on past the limit (a device like /dev/zero never ends).
inline ReadResult read_file_upto(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes) {
    return read_file_upto(path, [limit](std::span<const std::uint8_t>) { return limit; }, bytes);
}
inline ReadResult read_standard_input_upto(std::size_t limit, std::vector<std::uint8_t>& bytes) {
    return read_standard_input_upto([limit](std::span<const std::uint8_t>) { return limit; }, bytes);
}

enum class WriteStatus { written, cannot_create, short_write };

using Pieces = std::initializer_list<std::span<const std::uint8_t>>;

// Files saved together: each is written to a temporary file beside it, all of them
// are flushed to disk, and only then are they renamed into place, one after the other,
// each folder flushed once at the end. Either every needed file is replaced or none is.
// Each file is handled as write_file says below (owner and mode, links, devices).
// The flushes are started together, so that the disk commits them at once: a set costs
// about what its largest file costs alone.
//
// While a set is prepared and committed, an interrupt, terminate or hang-up signal
// removes every temporary file of the set and then ends the process as the signal would
// have, and a file bigger than the process may write is a short write rather than the
// end of the process. One set at a time, of at most kMostFiles files.
class FileSet {
public:
    static constexpr std::size_t kMostFiles = 8;

    FileSet();
    FileSet(const FileSet&) = delete;
    FileSet& operator=(const FileSet&) = delete;
    ~FileSet();  // drops every temporary file not yet committed

    // The pieces, one after the other, as the whole content of `path`; they must stay
    // until the set is committed. An optional file is a by-product any run makes again:
    // one that cannot be written is dropped alone, without stopping the others, and it
    // is not flushed; it still takes the old file's place whole, with the others (where
    // the system can, by swapping the two names, the old file removed after the
    // folders' flush). Returns its index.
    std::size_t add(std::string path, Pieces pieces, bool optional = false);

    // Writes and flushes every temporary file. Returns the index of the first needed
    // file that failed, after which nothing is left of the set and nothing was changed
    // (status and last_failure tell why), or size() when all are ready.
    std::size_t prepare();

    // Puts every prepared file into place: the files written directly first, then the
    // renames. Returns size(), or the index of the file that failed (status and
    // last_failure tell why): the renamed files before it stay replaced, the others are
    // left as they were.
    std::size_t commit();

    [[nodiscard]] std::size_t size() const;
    [[nodiscard]] WriteStatus status(std::size_t index) const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// Writes the pieces one after the other as the whole content of `path`: a set of one.
// A regular file (or a path that does not exist yet) is replaced atomically and
// durably; it keeps the permissions, owner and group of the file it replaces where the
// process may set them (and loses its set-user-ID and set-group-ID bits where not), or
// gets those of a plain create. A link is written through at its destination, also
// when that does not exist yet. Anything else that exists (a device, a pipe,
// /dev/stdout) is written directly, and so is a writable file in a directory where no
// file can be made beside it.
inline WriteStatus write_file(const std::string& path, Pieces pieces) {
    FileSet set;
    set.add(path, pieces);
    if (set.prepare() == set.size()) set.commit();
    return set.status(0);
}

// Writes the pieces on standard output, in binary; short_write when they do not all
// go out. Whatever the C library holds back for standard output goes first.
WriteStatus write_standard_output(Pieces pieces);

// The system's words for why the last failed reading or writing above failed (the
// text of errno, or of GetLastError on Windows), in UTF-8 without a line end; empty
// when the last one did not fail for a system reason (an empty file is no failure).
std::string last_failure();

// True when both names lead to one existing file that writing the second would
// overwrite: the same regular file or block device, whatever the spelling, symbolic or
// hard link. A terminal or a pipe named twice is no conflict.
bool same_file(const std::string& a, const std::string& b);

// True when standard input is a regular file or a block device and `path` leads to that
// very file (on the web module, standard input is the file named "-"), so that writing
// `path` would replace a source read from standard input.
bool standard_input_is(const std::string& path);

// Called once at the top of each main: on Windows, replaces the arguments by the
// command line as UTF-8 (the names every call above expects) and puts the standard
// streams in binary mode, so bytes pass as they are; elsewhere nothing changes.
void start_process(int& argc, char**& argv);

// Zeroed memory straight from the system, in whole pages, for the large work buffers;
// nullptr when there is none. Freed by release_pages with the same size.
void* map_pages(std::size_t bytes);
void release_pages(void* pages, std::size_t bytes) noexcept;

}  // namespace fit
