#include "file_io.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string_view>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "allocation.hpp"

namespace fit {

namespace {

constexpr std::size_t kTempStemLength = 200;

// The errno of the last reading or writing that failed, 0 after one that did not.
int last_errno = 0;

template <typename Result>
Result noted(Result result, bool failed) {
    last_errno = failed ? errno : 0;
    return result;
}

// Owns a POSIX file descriptor.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    [[nodiscard]] int get() const { return fd_; }
    [[nodiscard]] bool ok() const { return fd_ >= 0; }
    // Closes now and tells whether the close itself succeeded.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool write_all(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

using PieceList = std::span<const std::span<const std::uint8_t>>;

bool write_pieces(int fd, PieceList pieces) {
    for (const auto piece : pieces)
        if (!write_all(fd, piece)) return false;
    return true;
}

// True for /dev/stdout, /dev/fd/1 and the like: names of a descriptor the process
// already holds, whatever file lies behind it.
bool names_open_descriptor(const std::string& path) {
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"})
        if (path.starts_with(prefix)) return true;
    if (path == "/dev/stdout" || path == "/dev/stderr" || path == "/dev/stdin") return true;
    char link[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), link, sizeof link - 1);
    if (n <= 0) return false;
    link[n] = '\0';
    return std::string_view(link).starts_with("/proc/self/fd/");
}

mode_t plain_create_mode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

WriteStatus write_directly(const std::string& path, PieceList pieces) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd.ok()) return WriteStatus::cannot_create;
    const bool whole = write_pieces(fd.get(), pieces);
    const bool closed = fd.close();
    return whole && closed ? WriteStatus::written : WriteStatus::short_write;
}

// The named temporary files of the set in progress, for the signal handler to remove.
std::array<std::atomic<const char*>, FileSet::kMostFiles> pending_temporaries{};
static_assert(std::atomic<const char*>::is_always_lock_free);

constexpr std::array kCleanupSignals{SIGINT, SIGTERM, SIGHUP};

extern "C" void remove_temporaries_and_end(int sig) {
    for (auto& slot : pending_temporaries)
        if (const char* temp = slot.load()) ::unlink(temp);
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    ::sigaction(sig, &plain, nullptr);
    ::raise(sig);
    sigset_t only;
    ::sigemptyset(&only);
    ::sigaddset(&only, sig);
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
}

// For the time of one set: the cleanup signals remove the temporary files before they
// end the process (those the process ignores stay ignored), and a write past the file
// size limit fails with EFBIG instead of ending the process.
class SaveSignals {
public:
    SaveSignals() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &old_xfsz_);
        struct sigaction cleanup {};
        cleanup.sa_handler = remove_temporaries_and_end;
        ::sigfillset(&cleanup.sa_mask);
        for (std::size_t i = 0; i < kCleanupSignals.size(); ++i) {
            ::sigaction(kCleanupSignals[i], nullptr, &old_[i]);
            if (old_[i].sa_handler != SIG_IGN) ::sigaction(kCleanupSignals[i], &cleanup, nullptr);
        }
    }
    SaveSignals(const SaveSignals&) = delete;
    SaveSignals& operator=(const SaveSignals&) = delete;
    ~SaveSignals() {
        for (std::size_t i = 0; i < kCleanupSignals.size(); ++i)
            ::sigaction(kCleanupSignals[i], &old_[i], nullptr);
        ::sigaction(SIGXFSZ, &old_xfsz_, nullptr);
    }

private:
    struct sigaction old_xfsz_ {};
    std::array<struct sigaction, kCleanupSignals.size()> old_{};
};

// Holds the cleanup signals back while a temporary name is made, moved or dropped, so
// that the handler never sees a name half recorded or a file half renamed.
class HoldSignals {
public:
    HoldSignals() {
        sigset_t set;
        ::sigemptyset(&set);
        for (const int sig : kCleanupSignals) ::sigaddset(&set, sig);
        ::sigprocmask(SIG_BLOCK, &set, &old_);
    }
    HoldSignals(const HoldSignals&) = delete;
    HoldSignals& operator=(const HoldSignals&) = delete;
    ~HoldSignals() { ::sigprocmask(SIG_SETMASK, &old_, nullptr); }

private:
    sigset_t old_{};
};

// Where a link leads, link after link; the last name need not exist. Empty after too
// many links.
std::string follow_links(std::string path) {
    for (int links = 0; links < 40; ++links) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string dest(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), dest.data(), dest.size());
        if (n <= 0 || static_cast<std::size_t>(n) == dest.size()) return {};
        dest.resize(static_cast<std::size_t>(n));
        const auto slash = path.find_last_of('/');
        path = dest.front() == '/' || slash == std::string::npos ? dest
                                                                 : path.substr(0, slash + 1) + dest;
    }
    return {};
}

// What a replaced file hands on to the new one.
struct Keep {
    mode_t mode;
    bool owner = false;  // uid and gid are the old file's
    uid_t uid = 0;
    gid_t gid = 0;
};

// Writes the whole content and gives the file the old one's owner and mode. False on
// any failure.
bool fill(int fd, PieceList pieces, const Keep& keep) {
    mode_t mode = keep.mode;
    if (keep.owner && ::fchown(fd, keep.uid, keep.gid) != 0) {
        // The group alone may be ours to give; a file that changed hands must not run
        // with its old owner's rights.
        (void)::fchown(fd, static_cast<uid_t>(-1), keep.gid);
        mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    }
    // fchmod after fchown, which may clear the set-ID bits.
    return write_pieces(fd, pieces) && ::fchmod(fd, mode) == 0;
}

// Asks the disk to start writing the file out, without waiting: the flushes of a set
// that follow then wait for writes already under way together, and one commit of the
// file system's journal covers them all.
void start_writeback(int fd) {
#if defined(__linux__)
    (void)::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    (void)fd;
#endif
}

// Flushes the directory entries of the renames to disk. A file system that cannot sync
// a directory (EINVAL) keeps nothing back.
bool sync_directory(const std::string& dir) {
    Fd fd(::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.ok()) return true;
    return ::fsync(fd.get()) == 0 || errno == EINVAL;
}

struct Place {
    std::string dir;   // with its final slash; empty for the working directory
    std::string stem;  // the start of the file name, short enough for any directory
};

Place place_of(const std::string& real) {
    const auto slash = real.find_last_of('/');
    if (slash == std::string::npos) return {{}, real.substr(0, kTempStemLength)};
    return {real.substr(0, slash + 1), real.substr(slash + 1, kTempStemLength)};
}

// A name beside the target that nothing else is likely to hold: "." + stem + six
// characters, like those of mkstemp.
std::string fresh_name(const Place& place, unsigned attempt) {
    static constexpr char kDigits[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::uint64_t v = static_cast<std::uint64_t>(now.tv_nsec) * 2654435761u ^
                      static_cast<std::uint64_t>(::getpid()) << 32 ^
                      attempt * 0x9E3779B97F4A7C15ull;
    std::string name = place.dir + "." + place.stem + ".";
    for (int i = 0; i < 6; ++i, v /= 62) name += kDigits[v % 62];
    return name;
}

enum class Way { replace, direct };

// One file of a set, from its name to its place.
struct Entry {
    std::string path;
    std::vector<std::span<const std::uint8_t>> pieces;
    bool optional = false;
    WriteStatus status = WriteStatus::written;
    int error = 0;         // errno of the failure
    bool ready = false;    // prepared, and not dropped
    Way way = Way::replace;
    std::string real;      // the file written: the end of the links
    Place place;
    Keep keep{};
    int fd = -1;           // the temporary file while it is written
    std::string temp;      // its name, once it has one
    bool swapped = false;  // the name now holds the old file, removed after the flush
    std::size_t slot = 0;  // its place among the pending temporaries

    bool fail(WriteStatus why) {
        status = why;
        error = errno;
        return false;
    }
};

void close_temporary(Entry& e) {
    if (e.fd >= 0) ::close(e.fd);
    e.fd = -1;
}

// Removes the named temporary file of an entry, if it has one.
void unname(Entry& e) {
    if (e.temp.empty()) return;
    const HoldSignals hold;
    ::unlink(e.temp.c_str());
    pending_temporaries[e.slot].store(nullptr);
    e.temp.clear();
}

void drop(Entry& e) {
    close_temporary(e);
    unname(e);
    e.ready = false;
}

// Decides how the file is written: replaced through a temporary file, or directly.
bool plan(Entry& e) {
    // /dev/stdout and its kin name whatever the caller opened: write into that.
    if (names_open_descriptor(e.path)) {
        e.way = Way::direct;
        e.real = e.path;
        return true;
    }
    // Written through a link at the file it names, as a plain create would.
    e.real = follow_links(e.path);
    if (e.real.empty()) {
        errno = ELOOP;
        return e.fail(WriteStatus::cannot_create);
    }
    e.keep = {plain_create_mode()};
    struct stat st {};
    if (::stat(e.real.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            e.way = Way::direct;
            return true;
        }
        // A file the user may not write stays as it is, as with a plain create.
        if (::access(e.real.c_str(), W_OK) != 0) return e.fail(WriteStatus::cannot_create);
        e.keep = {static_cast<mode_t>(st.st_mode & 07777), true, st.st_uid, st.st_gid};
    }
    e.place = place_of(e.real);
    return true;
}

// A named temporary file beside the file, which the cleanup signals remove.
bool open_named(Entry& e) {
    std::string temp = e.place.dir + "." + e.place.stem + ".XXXXXX";
    int error = 0;
    {
        const HoldSignals hold;
        e.fd = ::mkstemp(temp.data());
        error = errno;
        if (e.fd >= 0) {
            e.temp = std::move(temp);
            pending_temporaries[e.slot].store(e.temp.c_str());
        }
    }
    if (e.fd >= 0) return true;
    // Nothing can be made in the directory, but the file itself may be writable.
    if (error == EACCES && ::access(e.real.c_str(), W_OK) == 0) {
        e.way = Way::direct;
        return true;
    }
    errno = error;  // the reason told is mkstemp's, not that of the access test
    return e.fail(WriteStatus::cannot_create);
}

// Opens the temporary file and fills it. An unnamed file first: it vanishes with the
// process however that ends, and gets a name only once complete.
bool write_temporary(Entry& e) {
    e.fd = ::open(e.place.dir.empty() ? "." : e.place.dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC,
                  0600);
    if (e.fd < 0 && !open_named(e)) return false;
    if (e.way == Way::direct) return true;
    return fill(e.fd, e.pieces, e.keep) || e.fail(WriteStatus::short_write);
}

// Gives the complete unnamed file a temporary name, which the cleanup signals remove.
// False when the system cannot link it (no /proc, no right to link a descriptor).
bool link_name(Entry& e) {
    const std::string self = "/proc/self/fd/" + std::to_string(e.fd);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        std::string temp = fresh_name(e.place, attempt);
        const HoldSignals hold;
        bool linked =
            ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0;
        // Without /proc, a process that may open any file can link the descriptor itself.
        if (!linked && errno != EEXIST)
            linked = ::linkat(e.fd, "", AT_FDCWD, temp.c_str(), AT_EMPTY_PATH) == 0;
        if (linked) {
            e.temp = std::move(temp);
            pending_temporaries[e.slot].store(e.temp.c_str());
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

// Puts an unflushed file in place by swapping its name with the old file's, when there
// is one and the system can. A rename over an existing file makes a file system that
// allocates late (ext4) write the new file out with the rename, in the very commit
// the folder's flush waits for; a swap asks for nothing, and the old file, now under
// the temporary name, is removed only after that flush, so that freeing its blocks is
// not waited for either. Readers see the old file or the new one, never neither.
bool swap_names(Entry& e) {
#if defined(__linux__) && defined(RENAME_EXCHANGE)
    e.swapped = ::renameat2(AT_FDCWD, e.temp.c_str(), AT_FDCWD, e.real.c_str(), RENAME_EXCHANGE) == 0;
#endif
    return e.swapped;
}

// A name for the flushed temporary file; where an unnamed one cannot be linked, the
// content goes again into a named one.
bool name_temporary(Entry& e) {
    if (!e.temp.empty() || link_name(e)) return true;
    close_temporary(e);
    if (!open_named(e)) return false;
    if (e.way == Way::direct) return true;
    if (!fill(e.fd, e.pieces, e.keep) || (!e.optional && ::fsync(e.fd) != 0))
        return e.fail(WriteStatus::short_write);
    return true;
}

}  // namespace

struct FileSet::Impl {
    std::vector<Entry> entries;
    std::optional<SaveSignals> signals;

    // Drops every temporary file; the index tells the failure to report.
    std::size_t give_up(std::size_t failed) {
        for (Entry& e : entries) drop(e);
        signals.reset();
        last_errno = entries[failed].error;
        return failed;
    }

    // An optional file that fails is dropped alone; a needed one drops the set.
    bool failed(std::size_t i) {
        Entry& e = entries[i];
        drop(e);
        return !e.optional;
    }
};

FileSet::FileSet() : impl_(std::make_unique<Impl>()) { impl_->entries.reserve(kMostFiles); }

FileSet::~FileSet() {
    for (Entry& e : impl_->entries) drop(e);
}

std::size_t FileSet::add(std::string path, Pieces pieces, bool optional) {
    Entry e;
    e.path = std::move(path);
    e.pieces.assign(pieces.begin(), pieces.end());
    e.optional = optional;
    e.slot = impl_->entries.size();
    if (e.slot >= kMostFiles) {
        errno = EMFILE;
        e.fail(WriteStatus::cannot_create);
    }
    impl_->entries.push_back(std::move(e));
    return impl_->entries.size() - 1;
}

std::size_t FileSet::prepare() {
    auto& entries = impl_->entries;
    impl_->signals.emplace();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Entry& e = entries[i];
        e.ready = e.status == WriteStatus::written && plan(e) &&
                  (e.way == Way::direct || write_temporary(e));
        if (!e.ready && impl_->failed(i)) return impl_->give_up(i);
    }
    // Every file's writing under way before the first flush waits on any.
    const auto flushed = [](const Entry& e) { return e.ready && e.fd >= 0 && !e.optional; };
    if (std::count_if(entries.begin(), entries.end(), flushed) > 1)
        for (const Entry& e : entries)
            if (flushed(e)) start_writeback(e.fd);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Entry& e = entries[i];
        if (!flushed(e)) continue;
        if (::fsync(e.fd) != 0) {
            e.fail(WriteStatus::short_write);
            if (impl_->failed(i)) return impl_->give_up(i);
        }
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Entry& e = entries[i];
        if (!e.ready || e.way == Way::direct) continue;
        if (!name_temporary(e) && impl_->failed(i)) return impl_->give_up(i);
    }
    last_errno = 0;
    return entries.size();
}

std::size_t FileSet::commit() {
    auto& entries = impl_->entries;
    // Written in place, and before any rename, so that a failure here changes no file
    // of the set but this one.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Entry& e = entries[i];
        if (!e.ready || e.way != Way::direct) continue;
        close_temporary(e);
        unname(e);
        e.status = write_directly(e.real, e.pieces);
        e.error = errno;
        e.ready = false;
        if (e.status != WriteStatus::written && !e.optional) return impl_->give_up(i);
    }
    std::vector<std::string_view> dirs;
    {
        // Renamed all or, failing, up to the one that failed; no signal comes in between.
        const HoldSignals hold;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            Entry& e = entries[i];
            if (!e.ready) continue;
            close_temporary(e);
            const bool swapped = e.optional && swap_names(e);
            if (!swapped && ::rename(e.temp.c_str(), e.real.c_str()) != 0) {
                e.fail(WriteStatus::cannot_create);
                if (!e.optional) return impl_->give_up(i);
                drop(e);
                continue;
            }
            if (!swapped) {  // the temporary's name went with the rename
                pending_temporaries[e.slot].store(nullptr);
                e.temp.clear();
            }
            e.ready = false;
            if (std::find(dirs.begin(), dirs.end(), e.place.dir) == dirs.end())
                dirs.push_back(e.place.dir);
        }
    }
    // Each folder once, for all the renames made in it.
    for (const std::string_view dir : dirs) {
        if (sync_directory(std::string(dir))) continue;
        const int error = errno;
        impl_->signals.reset();
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (entries[i].place.dir == dir && entries[i].status == WriteStatus::written &&
                !entries[i].optional) {
                entries[i].status = WriteStatus::short_write;
                entries[i].error = error;
                last_errno = error;
                return i;
            }
    }
    for (Entry& e : entries)
        if (e.swapped) unname(e);
    impl_->signals.reset();
    last_errno = 0;
    return entries.size();
}

std::size_t FileSet::size() const { return impl_->entries.size(); }

WriteStatus FileSet::status(std::size_t index) const { return impl_->entries[index].status; }

namespace {

ReadResult read_into(int fd, std::span<std::uint8_t> into) {
    ReadResult result;
    const auto read_some = [&](std::uint8_t* at, std::size_t n) -> ssize_t {
        for (;;) {
            const ssize_t got = ::read(fd, at, n);
            if (got >= 0 || errno != EINTR) return got;
        }
    };
    while (result.count < into.size()) {
        const ssize_t n = read_some(into.data() + result.count, into.size() - result.count);
        if (n < 0) {
            result.status = ReadStatus::read_error;
            return result;
        }
        if (n == 0) return result;
        result.count += static_cast<std::size_t>(n);
    }
    std::uint8_t probe = 0;
    const ssize_t more = read_some(&probe, 1);
    if (more < 0) result.status = ReadStatus::read_error;
    result.longer = more > 0;
    return result;
}

ReadResult read_upto(int fd, const LimitOf& limit_of, std::vector<std::uint8_t>& bytes) {
    ReadResult result;
    constexpr std::size_t kChunk = 1 << 16;
    bytes.clear();
    struct stat st {};
    const bool sized = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
    std::size_t limit = limit_of(bytes);
    // One byte past the limit tells whether the file goes on. A limit the bytes have
    // reached is final: a source that can no longer be what it began as stops there,
    // however long it is.
    bool final = false;
    while (bytes.size() <= limit) {
        const std::size_t at = bytes.size();
        // A file of known size is asked for whole, and one byte more to see its end, so
        // that the buffer is neither moved nor cleared twice; anything else by chunks.
        const std::size_t whole = sized ? static_cast<std::size_t>(st.st_size) + 1 : 0;
        const std::size_t want = std::min(at < whole ? whole : at + kChunk, limit + 1);
        if (at == 0 && whole != 0) {
            bytes.reserve(want);  // once: chunks grow the vector as it grows itself
            prepare_pages(bytes.data(), want);
        }
        bytes.resize(want);
        ssize_t n = 0;
        do {
            n = ::read(fd, bytes.data() + at, bytes.size() - at);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            bytes.clear();
            result.status = ReadStatus::read_error;
            return result;
        }
        bytes.resize(at + static_cast<std::size_t>(n));
        if (n == 0) break;
        if (final) continue;
        limit = limit_of(bytes);
        final = bytes.size() >= limit;
    }
    result.longer = bytes.size() > limit;
    if (result.longer) bytes.resize(limit);
    result.count = bytes.size();
    return result;
}

ReadResult cannot_open() {
    ReadResult result;
    result.status = ReadStatus::cannot_open;
    return noted(result, true);
}

}  // namespace

ReadResult read_file(const std::string& path, std::span<std::uint8_t> into) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.ok()) return cannot_open();
    const ReadResult result = read_into(fd.get(), into);
    return noted(result, result.status != ReadStatus::ok);
}

ReadResult read_file_upto(const std::string& path, const LimitOf& limit_of,
                          std::vector<std::uint8_t>& bytes) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.ok()) {
        bytes.clear();
        return cannot_open();
    }
    const ReadResult result = read_upto(fd.get(), limit_of, bytes);
    return noted(result, result.status != ReadStatus::ok);
}

ReadResult read_standard_input(std::span<std::uint8_t> into) {
    const ReadResult result = read_into(STDIN_FILENO, into);
    return noted(result, result.status != ReadStatus::ok);
}

ReadResult read_standard_input_upto(const LimitOf& limit_of, std::vector<std::uint8_t>& bytes) {
    const ReadResult result = read_upto(STDIN_FILENO, limit_of, bytes);
    return noted(result, result.status != ReadStatus::ok);
}

WriteStatus write_standard_output(Pieces pieces) {
    const bool whole = std::fflush(stdout) == 0 &&
                       write_pieces(STDOUT_FILENO, {pieces.begin(), pieces.size()});
    const WriteStatus status = whole ? WriteStatus::written : WriteStatus::short_write;
    return noted(status, !whole);
}

std::string last_failure() { return last_errno != 0 ? std::strerror(last_errno) : ""; }

bool same_file(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino &&
           (S_ISREG(sa.st_mode) || S_ISBLK(sa.st_mode));
}

bool standard_input_is(const std::string& path) {
    struct stat in {};
    struct stat st {};
    if (::fstat(STDIN_FILENO, &in) != 0 || !(S_ISREG(in.st_mode) || S_ISBLK(in.st_mode)))
        return false;
    return ::stat(path.c_str(), &st) == 0 && st.st_dev == in.st_dev && st.st_ino == in.st_ino;
}

void start_process(int&, char**&) {}

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;

// Whole huge pages, so that no tail falls back to small ones.
constexpr std::size_t mapped(std::size_t bytes) {
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}
}  // namespace

void* map_pages(std::size_t bytes) {
    void* p = ::mmap(nullptr, mapped(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    (void)::madvise(p, mapped(bytes), MADV_HUGEPAGE);  // a hint; without it, small pages
    return p;
}

void release_pages(void* pages, std::size_t bytes) noexcept { ::munmap(pages, mapped(bytes)); }

void prepare_pages(void* data, std::size_t bytes) {
#if defined(MADV_POPULATE_WRITE)
    // Only the pages wholly inside: the allocator's own data may share the edge ones.
    constexpr std::uintptr_t kPage = 4096;
    const auto first = (reinterpret_cast<std::uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kPage - 1);
    if (end > first) (void)::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)bytes;
#endif
}

}  // namespace fit
