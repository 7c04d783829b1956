// The Windows side of the platform layer. Names arrive in UTF-8 (start_process makes
// the command line so) and are handed to the wide calls, whatever the code page.
#include "file_io.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include "allocation.hpp"

namespace fit {

namespace {

constexpr std::size_t kTempStemLength = 200;

// The temporary files of the set in progress, for the console handler to remove.
std::array<std::atomic<const wchar_t*>, FileSet::kMostFiles> pending_temporaries{};

// Ctrl-C, Ctrl-Break or the console closing: the temporaries go (once their handles
// are closed, as the process ends), then the default handler ends the process.
BOOL WINAPI remove_temporary(DWORD) {
    for (auto& slot : pending_temporaries)
        if (const wchar_t* temp = slot.load()) ::DeleteFileW(temp);
    return FALSE;
}

// GetLastError of the last reading or writing that failed, 0 after one that did not.
DWORD last_error = 0;

template <typename Result>
Result noted(Result result, bool failed) {
    last_error = failed ? ::GetLastError() : 0;
    return result;
}

std::wstring wide(const std::string& utf8) {
    if (utf8.empty() || utf8.size() > INT_MAX) return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string utf8(const wchar_t* text) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.pop_back();  // the terminator, which std::string keeps on its own
    return out;
}

// Owns a file handle.
class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle(Handle&& other) noexcept : h_(other.h_) { other.h_ = INVALID_HANDLE_VALUE; }
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            if (ok()) ::CloseHandle(h_);
            h_ = other.h_;
            other.h_ = INVALID_HANDLE_VALUE;
        }
        return *this;
    }
    ~Handle() {
        if (ok()) ::CloseHandle(h_);
    }
    [[nodiscard]] HANDLE get() const { return h_; }
    [[nodiscard]] bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
    // Closes now and tells whether the close itself succeeded.
    bool close() {
        const HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return ::CloseHandle(h) != 0;
    }

private:
    HANDLE h_;
};

HANDLE open_for_reading(const std::wstring& path) {
    return ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool is_directory(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Reads up to n bytes, as many as the file still holds; false on a read error.
bool read_some(HANDLE h, std::uint8_t* at, std::size_t n, std::size_t& got) {
    got = 0;
    while (got < n) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(n - got, 1u << 30));
        DWORD done = 0;
        if (!::ReadFile(h, at + got, chunk, &done, nullptr)) {
            // A pipe whose writer has gone has simply ended.
            return ::GetLastError() == ERROR_BROKEN_PIPE;
        }
        if (done == 0) return true;
        got += done;
    }
    return true;
}

bool write_all(HANDLE h, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD n = 0;
        if (!::WriteFile(h, bytes.data() + done, chunk, &n, nullptr) || n == 0) return false;
        done += n;
    }
    return true;
}

using PieceList = std::span<const std::span<const std::uint8_t>>;

bool write_pieces(HANDLE h, PieceList pieces) {
    for (const auto piece : pieces)
        if (!write_all(h, piece)) return false;
    return true;
}

WriteStatus write_directly(const std::wstring& path, PieceList pieces) {
    Handle h(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.ok()) return WriteStatus::cannot_create;
    const bool whole = write_pieces(h.get(), pieces);
    const bool closed = h.close();
    return whole && closed ? WriteStatus::written : WriteStatus::short_write;
}

// True for a device (NUL, CON, a pipe): written in place, never replaced.
bool is_device(const std::wstring& path) {
    Handle h(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return h.ok() && ::GetFileType(h.get()) != FILE_TYPE_DISK;
}

// A new, empty file beside `target` that no one else has: ".name.XXXXXX".
HANDLE create_temp(const std::wstring& target, std::wstring& temp) {
    const auto cut = target.find_last_of(L"/\\:");
    const std::wstring dir = cut == std::wstring::npos ? std::wstring() : target.substr(0, cut + 1);
    const std::wstring base = cut == std::wstring::npos ? target : target.substr(cut + 1);
    unsigned long long seed = ::GetTickCount64() ^ (static_cast<unsigned long long>(::GetCurrentProcessId()) << 20);
    for (int attempt = 0; attempt < 100; ++attempt) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        wchar_t suffix[8];
        for (int i = 0; i < 6; ++i) suffix[i] = L"abcdefghijklmnopqrstuvwxyz0123456789"[(seed >> (10 + 5 * i)) % 36];
        suffix[6] = L'\0';
        temp = dir + L"." + base.substr(0, kTempStemLength) + L"." + suffix;
        // Shared for deletion only, so that the console handler can remove it.
        const HANDLE h = ::CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS) return h;
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

namespace {

ReadResult read_into(HANDLE h, std::span<std::uint8_t> into) {
    ReadResult result;
    if (!read_some(h, into.data(), into.size(), result.count)) {
        result.status = ReadStatus::read_error;
        return result;
    }
    if (result.count < into.size()) return result;
    std::uint8_t probe = 0;
    std::size_t more = 0;
    if (!read_some(h, &probe, 1, more)) result.status = ReadStatus::read_error;
    result.longer = more > 0;
    return result;
}

ReadResult read_upto(HANDLE h, const LimitOf& limit_of, std::vector<std::uint8_t>& bytes) {
    ReadResult result;
    bytes.clear();
    constexpr std::size_t kChunk = 1 << 16;
    LARGE_INTEGER size{};
    const bool sized = ::GetFileType(h) == FILE_TYPE_DISK && ::GetFileSizeEx(h, &size) && size.QuadPart > 0;
    std::size_t limit = limit_of(bytes);
    // One byte past the limit tells whether the file goes on. A limit the bytes have
    // reached is final: a source that can no longer be what it began as stops there,
    // however long it is.
    bool final = false;
    while (bytes.size() <= limit) {
        const std::size_t at = bytes.size();
        // A file of known size is asked for whole, and one byte more to see its end, so
        // that the buffer is neither moved nor cleared twice; anything else by chunks.
        const std::size_t whole = sized ? static_cast<std::size_t>(size.QuadPart) + 1 : 0;
        bytes.resize(std::min(at < whole ? whole : at + kChunk, limit + 1));
        std::size_t got = 0;
        if (!read_some(h, bytes.data() + at, bytes.size() - at, got)) {
            bytes.clear();
            result.status = ReadStatus::read_error;
            return result;
        }
        bytes.resize(at + got);
        if (got == 0) break;
        if (final) continue;
        limit = limit_of(bytes);
        final = bytes.size() >= limit;
    }
    result.longer = bytes.size() > limit;
    if (result.longer) bytes.resize(limit);
    result.count = bytes.size();
    return result;
}

// A name that does not open: a directory opens on POSIX and fails to read; so here too.
ReadResult not_opened(const std::wstring& name) {
    ReadResult result;
    result.status = is_directory(name) ? ReadStatus::read_error : ReadStatus::cannot_open;
    if (result.status == ReadStatus::read_error) ::SetLastError(ERROR_DIRECTORY);
    return result;
}

}  // namespace

ReadResult read_file(const std::string& path, std::span<std::uint8_t> into) {
    const std::wstring name = wide(path);
    Handle h(open_for_reading(name));
    if (!h.ok()) {
        const DWORD error = ::GetLastError();
        ReadResult result = not_opened(name);
        if (result.status == ReadStatus::cannot_open) ::SetLastError(error);
        return noted(result, true);
    }
    const ReadResult result = read_into(h.get(), into);
    return noted(result, result.status != ReadStatus::ok);
}

ReadResult read_file_upto(const std::string& path, const LimitOf& limit_of, std::vector<std::uint8_t>& bytes) {
    const std::wstring name = wide(path);
    Handle h(open_for_reading(name));
    if (!h.ok()) {
        bytes.clear();
        const DWORD error = ::GetLastError();
        ReadResult result = not_opened(name);
        if (result.status == ReadStatus::cannot_open) ::SetLastError(error);
        return noted(result, true);
    }
    const ReadResult result = read_upto(h.get(), limit_of, bytes);
    return noted(result, result.status != ReadStatus::ok);
}

ReadResult read_standard_input(std::span<std::uint8_t> into) {
    const ReadResult result = read_into(::GetStdHandle(STD_INPUT_HANDLE), into);
    return noted(result, result.status != ReadStatus::ok);
}

ReadResult read_standard_input_upto(const LimitOf& limit_of, std::vector<std::uint8_t>& bytes) {
    const ReadResult result = read_upto(::GetStdHandle(STD_INPUT_HANDLE), limit_of, bytes);
    return noted(result, result.status != ReadStatus::ok);
}

WriteStatus write_standard_output(Pieces pieces) {
    const bool whole = std::fflush(stdout) == 0 &&
                       write_pieces(::GetStdHandle(STD_OUTPUT_HANDLE), {pieces.begin(), pieces.size()});
    const WriteStatus status = whole ? WriteStatus::written : WriteStatus::short_write;
    return noted(status, !whole);
}

std::string last_failure() {
    if (last_error == 0) return {};
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, last_error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (n == 0 || text == nullptr) return "error " + std::to_string(last_error);
    std::string words = utf8(text);
    ::LocalFree(text);
    // The system's text ends with CR LF, at times after a space.
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' '))
        words.pop_back();
    return words;
}

namespace {

// One file of a set, from its name to its place.
struct Entry {
    std::string path;
    std::vector<std::span<const std::uint8_t>> pieces;
    bool optional = false;
    WriteStatus status = WriteStatus::written;
    DWORD error = 0;       // GetLastError of the failure
    bool ready = false;    // prepared, and not dropped
    bool direct = false;   // written in place, not replaced
    std::wstring target;
    std::wstring temp;     // the temporary file, once made
    std::size_t slot = 0;  // its place among the pending temporaries

    bool fail(WriteStatus why) {
        status = why;
        error = ::GetLastError();
        return false;
    }
};

void drop(Entry& e) {
    if (!e.temp.empty()) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(e.temp.c_str());
        ::SetLastError(error);
        // Only a file of the set's first kMostFiles has a temporary, and a slot.
        pending_temporaries[e.slot].store(nullptr);
    }
    e.temp.clear();
    e.ready = false;
}

// Writes the content to a temporary file beside the target, or finds that the target
// is written in place. The temporary is flushed later, with the others of its set.
bool write_temporary(Entry& e, Handle& h) {
    e.target = wide(e.path);
    if (e.target.empty()) {
        ::SetLastError(ERROR_INVALID_NAME);
        return e.fail(WriteStatus::cannot_create);
    }
    if (is_device(e.target)) {
        e.direct = true;
        return true;
    }
    const DWORD attributes = ::GetFileAttributesW(e.target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            ::SetLastError(ERROR_DIRECTORY);
            return e.fail(WriteStatus::cannot_create);
        }
        // A read-only file stays as it is, as with a plain create.
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            ::SetLastError(ERROR_ACCESS_DENIED);
            return e.fail(WriteStatus::cannot_create);
        }
    }
    std::wstring temp;
    h = Handle(create_temp(e.target, temp));
    if (!h.ok()) {
        // Nothing can be made in the directory, but the file itself may be writable.
        if (::GetLastError() == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES) {
            e.direct = true;
            return true;
        }
        return e.fail(WriteStatus::cannot_create);
    }
    e.temp = std::move(temp);
    pending_temporaries[e.slot].store(e.temp.c_str());
    return write_pieces(h.get(), e.pieces) || e.fail(WriteStatus::short_write);
}

}  // namespace

struct FileSet::Impl {
    std::vector<Entry> entries;

    std::size_t give_up(std::size_t failed) {
        for (Entry& e : entries) drop(e);
        last_error = entries[failed].error;
        return failed;
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
        ::SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        e.fail(WriteStatus::cannot_create);
    }
    impl_->entries.push_back(std::move(e));
    return impl_->entries.size() - 1;
}

std::size_t FileSet::prepare() {
    auto& entries = impl_->entries;
    std::vector<Handle> handles;
    handles.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Entry& e = entries[i];
        handles.emplace_back(INVALID_HANDLE_VALUE);
        e.ready = e.status == WriteStatus::written && write_temporary(e, handles.back());
        if (e.ready) continue;
        handles.back().close();
        drop(e);
        if (!e.optional) return impl_->give_up(i);
    }
    // All written before any is flushed; on the disk before the names move to them, so
    // that a crash leaves the old files or the new.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Entry& e = entries[i];
        if (!e.ready || e.direct) continue;
        const bool flushed =
            e.optional || ::FlushFileBuffers(handles[i].get()) != 0 || e.fail(WriteStatus::short_write);
        const bool closed = handles[i].close() || e.fail(WriteStatus::short_write);
        if (flushed && closed) continue;
        drop(e);
        if (!e.optional) return impl_->give_up(i);
    }
    last_error = 0;
    return entries.size();
}

std::size_t FileSet::commit() {
    auto& entries = impl_->entries;
    // Written in place, and before any rename, so that a failure here changes no file
    // of the set but this one.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Entry& e = entries[i];
        if (!e.ready || !e.direct) continue;
        e.ready = false;
        e.status = write_directly(e.target, e.pieces);
        e.error = ::GetLastError();
        if (e.status != WriteStatus::written && !e.optional) return impl_->give_up(i);
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Entry& e = entries[i];
        if (!e.ready) continue;
        if (!::MoveFileExW(e.temp.c_str(), e.target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            e.fail(WriteStatus::cannot_create);
            if (!e.optional) return impl_->give_up(i);
            drop(e);
            continue;
        }
        pending_temporaries[e.slot].store(nullptr);
        e.temp.clear();
        e.ready = false;
    }
    last_error = 0;
    return entries.size();
}

std::size_t FileSet::size() const { return impl_->entries.size(); }

WriteStatus FileSet::status(std::size_t index) const { return impl_->entries[index].status; }

namespace {

bool identify(const std::string& name, BY_HANDLE_FILE_INFORMATION& info) {
    // No access asked: the identity of a file even the user may not read.
    Handle h(::CreateFileW(wide(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return h.ok() && ::GetFileInformationByHandle(h.get(), &info);
}

bool one_file(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace

bool same_file(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    return identify(a, ia) && identify(b, ib) && one_file(ia, ib);
}

bool standard_input_is(const std::string& path) {
    // A file redirected as standard input is a disk file; a console or a pipe is not.
    const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    BY_HANDLE_FILE_INFORMATION ii{}, ip{};
    if (in == nullptr || in == INVALID_HANDLE_VALUE || ::GetFileType(in) != FILE_TYPE_DISK ||
        !identify(path, ip))
        return false;
    if (::GetFileInformationByHandle(in, &ii)) return one_file(ii, ip);
    // A handle made of an inherited descriptor (under Wine, a Unix one) may tell its file's
    // index but not its volume: then the index, the size and the time of the last write
    // must all be the file's.
    FILE_ID_INFO id{};
    FILE_STANDARD_INFO standard{};
    FILE_BASIC_INFO basic{};
    if (!::GetFileInformationByHandleEx(in, FileIdInfo, &id, sizeof id) ||
        !::GetFileInformationByHandleEx(in, FileStandardInfo, &standard, sizeof standard) ||
        !::GetFileInformationByHandleEx(in, FileBasicInfo, &basic, sizeof basic))
        return false;
    if (id.VolumeSerialNumber != 0 && id.VolumeSerialNumber != ip.dwVolumeSerialNumber) return false;
    std::uint64_t index = 0;
    std::memcpy(&index, id.FileId.Identifier, sizeof index);
    const auto wide_value = [](DWORD high, DWORD low) {
        return static_cast<std::uint64_t>(high) << 32 | low;
    };
    return index == wide_value(ip.nFileIndexHigh, ip.nFileIndexLow) &&
           static_cast<std::uint64_t>(standard.EndOfFile.QuadPart) == wide_value(ip.nFileSizeHigh, ip.nFileSizeLow) &&
           static_cast<std::uint64_t>(basic.LastWriteTime.QuadPart) ==
               wide_value(ip.ftLastWriteTime.dwHighDateTime, ip.ftLastWriteTime.dwLowDateTime);
}

void start_process(int& argc, char**& argv) {
    ::SetConsoleCtrlHandler(remove_temporary, TRUE);
    // The bytes of the files, not text: no CR added before LF, no stop at 0x1A.
    (void)::_setmode(::_fileno(stdin), _O_BINARY);
    (void)::_setmode(::_fileno(stdout), _O_BINARY);
    (void)::_setmode(::_fileno(stderr), _O_BINARY);

    int count = 0;
    wchar_t** wide_argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide_argv == nullptr) return;
    // Kept for the life of the process, as argv is.
    static std::vector<std::string> strings;
    static std::vector<char*> pointers;
    strings.clear();
    for (int i = 0; i < count; ++i) strings.push_back(utf8(wide_argv[i]));
    ::LocalFree(wide_argv);
    pointers.clear();
    for (auto& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    argc = count;
    argv = pointers.data();
}

void* map_pages(std::size_t bytes) {
    // Committed pages come zeroed, as the allocator promises.
    return ::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void release_pages(void* pages, std::size_t) noexcept { ::VirtualFree(pages, 0, MEM_RELEASE); }

void prepare_pages(void*, std::size_t) {}

}  // namespace fit
