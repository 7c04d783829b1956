// Preloaded into a program under test: logs the calls that make a save durable, in the
// order made, and can stop the program in the middle of a save. Set by the environment:
//   FIT_SHIM_LOG=file         appends "fsync file", "fsync dir", "linkat", "rename",
//                             "renameat", "swap" or "no swap" (two names exchanged, or
//                             not), "renameat2" or "unlink", one a line
//   FIT_SHIM_RAISE=SIG@call   raises signal SIG when the first such call begins ("fsync"
//                             or "rename")
//   FIT_SHIM_NO_TMPFILE=1     refuses unnamed files (O_TMPFILE), as some file systems do
// Without the fortified wrappers, which would define open() inline.
#undef _FORTIFY_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <csignal>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

template <typename F>
F next(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

void note(const char* call) {
    const char* log = std::getenv("FIT_SHIM_LOG");
    if (log != nullptr) {
        const std::string line = std::string(call) + "\n";
        const int fd = ::open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd >= 0) {
            (void)!::write(fd, line.data(), line.size());
            ::close(fd);
        }
    }
    static bool raised = false;
    const char* raise_at = std::getenv("FIT_SHIM_RAISE");
    const char* at = raise_at != nullptr ? std::strchr(raise_at, '@') : nullptr;
    if (!raised && at != nullptr && std::strncmp(call, at + 1, std::strlen(at + 1)) == 0) {
        raised = true;
        ::raise(std::atoi(raise_at));
    }
}

int open_with(const char* symbol, const char* path, int flags, mode_t mode) {
    if ((flags & O_TMPFILE) == O_TMPFILE && std::getenv("FIT_SHIM_NO_TMPFILE") != nullptr) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return next<int (*)(const char*, int, ...)>(symbol)(path, flags, mode);
}

}  // namespace

extern "C" {

int fsync(int fd) {
    struct stat st {};
    note(::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) ? "fsync dir" : "fsync file");
    return next<int (*)(int)>("fsync")(fd);
}

int rename(const char* from, const char* to) {
    note("rename");
    return next<int (*)(const char*, const char*)>("rename")(from, to);
}

int renameat(int from_dir, const char* from, int to_dir, const char* to) {
    note("renameat");
    return next<int (*)(int, const char*, int, const char*)>("renameat")(from_dir, from, to_dir,
                                                                         to);
}

int renameat2(int from_dir, const char* from, int to_dir, const char* to, unsigned flags) {
    using Call = int (*)(int, const char*, int, const char*, unsigned);
    if ((flags & RENAME_EXCHANGE) == 0) {
        note("renameat2");
        return next<Call>("renameat2")(from_dir, from, to_dir, to, flags);
    }
    const int result = next<Call>("renameat2")(from_dir, from, to_dir, to, flags);
    const int error = errno;
    note(result == 0 ? "swap" : "no swap");
    errno = error;
    return result;
}

int unlink(const char* path) {
    note("unlink");
    return next<int (*)(const char*)>("unlink")(path);
}

int linkat(int from_dir, const char* from, int to_dir, const char* to, int flags) {
    note("linkat");
    return next<int (*)(int, const char*, int, const char*, int)>("linkat")(from_dir, from, to_dir,
                                                                            to, flags);
}

// The mode is there only for a call that may make a file.
#define FIT_OPEN(symbol)                                                     \
    int symbol(const char* path, int flags, ...) {                           \
        mode_t mode = 0;                                                     \
        if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {    \
            va_list args;                                                    \
            va_start(args, flags);                                           \
            mode = static_cast<mode_t>(va_arg(args, unsigned));              \
            va_end(args);                                                    \
        }                                                                    \
        return open_with(#symbol, path, flags, mode);                        \
    }
FIT_OPEN(open)
FIT_OPEN(open64)

}  // extern "C"
