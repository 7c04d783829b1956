#include "file_io.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fit {

namespace {

constexpr std::size_t kTempStemLength = 200;

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

bool write_pieces(int fd, std::initializer_list<std::span<const std::uint8_t>> pieces) {
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

WriteStatus write_directly(const std::string& path,
                           std::initializer_list<std::span<const std::uint8_t>> pieces) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd.ok()) return WriteStatus::cannot_create;
    const bool whole = write_pieces(fd.get(), pieces);
    const bool closed = fd.close();
    return whole && closed ? WriteStatus::written : WriteStatus::short_write;
}

}  // namespace

ReadResult read_file(const std::string& path, std::span<std::uint8_t> into) {
    ReadResult result;
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.ok()) {
        result.status = ReadStatus::cannot_open;
        return result;
    }
    const auto read_some = [&](std::uint8_t* at, std::size_t n) -> ssize_t {
        for (;;) {
            const ssize_t got = ::read(fd.get(), at, n);
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

ReadResult read_file_upto(const std::string& path, std::size_t limit,
                          std::vector<std::uint8_t>& bytes) {
    ReadResult result;
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.ok()) {
        result.status = ReadStatus::cannot_open;
        return result;
    }
    constexpr std::size_t kChunk = 1 << 16;
    bytes.clear();
    // Room for the whole file at once when its size is known, so that no chunk moves it.
    struct stat st {};
    if (::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        bytes.reserve(std::min(static_cast<std::size_t>(st.st_size), limit) + 1);
    // One byte past the limit tells whether the file goes on.
    while (bytes.size() <= limit) {
        const std::size_t at = bytes.size();
        bytes.resize(std::min(at + kChunk, limit + 1));
        ssize_t n = 0;
        do {
            n = ::read(fd.get(), bytes.data() + at, bytes.size() - at);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            bytes.clear();
            result.status = ReadStatus::read_error;
            return result;
        }
        bytes.resize(at + static_cast<std::size_t>(n));
        if (n == 0) break;
    }
    result.longer = bytes.size() > limit;
    if (result.longer) bytes.resize(limit);
    result.count = bytes.size();
    return result;
}

WriteStatus write_file(const std::string& path,
                       std::initializer_list<std::span<const std::uint8_t>> pieces) {
    // /dev/stdout and its kin name whatever the caller opened: write into that.
    if (names_open_descriptor(path)) return write_directly(path, pieces);

    std::string real = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Write through a link to the file it names, as a plain create would.
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) == nullptr) return write_directly(path, pieces);
        real = resolved;
    }

    mode_t mode = plain_create_mode();
    if (::stat(real.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return write_directly(real, pieces);
        // A file the user may not write stays as it is, as with a plain create.
        if (::access(real.c_str(), W_OK) != 0) return WriteStatus::cannot_create;
        mode = st.st_mode & 07777;
    }

    const auto slash = real.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string() : real.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? real : real.substr(slash + 1);
    // Short enough for any name the directory accepts.
    std::string temp = dir + "." + base.substr(0, kTempStemLength) + ".XXXXXX";

    Fd fd(::mkstemp(temp.data()));
    if (!fd.ok()) {
        // Nothing can be made in the directory, but the file itself may be writable.
        if (errno == EACCES && ::access(real.c_str(), W_OK) == 0) return write_directly(real, pieces);
        return WriteStatus::cannot_create;
    }
    // Blocks allocated up front: a file system that defers allocation would otherwise
    // flush the whole file when the rename replaces the old one. Only a hint.
    std::size_t total = 0;
    for (const auto piece : pieces) total += piece.size();
    if (total != 0) (void)::fallocate(fd.get(), 0, 0, static_cast<off_t>(total));
    const bool whole = write_pieces(fd.get(), pieces) && ::fchmod(fd.get(), mode) == 0;
    const bool closed = fd.close();
    if (!whole || !closed) {
        ::unlink(temp.c_str());
        return WriteStatus::short_write;
    }
    if (::rename(temp.c_str(), real.c_str()) != 0) {
        ::unlink(temp.c_str());
        return WriteStatus::cannot_create;
    }
    return WriteStatus::written;
}

}  // namespace fit
