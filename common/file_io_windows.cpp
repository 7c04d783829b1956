// The Windows side of the platform layer. Names arrive in UTF-8 (start_process makes
// the command line so) and are handed to the wide calls, whatever the code page.
#include "file_io.hpp"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

namespace fit {

namespace {

constexpr std::size_t kTempStemLength = 200;

// The temporary file of the save in progress, for the console handler to remove.
std::atomic<const wchar_t*> pending_temporary{nullptr};

// Ctrl-C, Ctrl-Break or the console closing: the temporary goes (once its handle is
// closed, as the process ends), then the default handler ends the process.
BOOL WINAPI remove_temporary(DWORD) {
    if (const wchar_t* temp = pending_temporary.load()) ::DeleteFileW(temp);
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

bool write_pieces(HANDLE h, std::initializer_list<std::span<const std::uint8_t>> pieces) {
    for (const auto piece : pieces)
        if (!write_all(h, piece)) return false;
    return true;
}

WriteStatus write_directly(const std::wstring& path,
                           std::initializer_list<std::span<const std::uint8_t>> pieces) {
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
    // One byte past the limit tells whether the file goes on.
    while (bytes.size() <= limit) {
        if (sized) bytes.reserve(std::min(static_cast<std::size_t>(size.QuadPart), limit) + 1);
        const std::size_t at = bytes.size();
        bytes.resize(std::min(at + kChunk, limit + 1));
        std::size_t got = 0;
        if (!read_some(h, bytes.data() + at, bytes.size() - at, got)) {
            bytes.clear();
            result.status = ReadStatus::read_error;
            return result;
        }
        bytes.resize(at + got);
        if (got == 0) break;
        limit = limit_of(bytes);
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

ReadResult read_file_upto(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes) {
    return read_file_upto(path, [limit](std::span<const std::uint8_t>) { return limit; }, bytes);
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

ReadResult read_standard_input_upto(std::size_t limit, std::vector<std::uint8_t>& bytes) {
    return read_standard_input_upto([limit](std::span<const std::uint8_t>) { return limit; }, bytes);
}

ReadResult read_standard_input_upto(const LimitOf& limit_of, std::vector<std::uint8_t>& bytes) {
    const ReadResult result = read_upto(::GetStdHandle(STD_INPUT_HANDLE), limit_of, bytes);
    return noted(result, result.status != ReadStatus::ok);
}

WriteStatus write_standard_output(std::initializer_list<std::span<const std::uint8_t>> pieces) {
    const bool whole =
        std::fflush(stdout) == 0 && write_pieces(::GetStdHandle(STD_OUTPUT_HANDLE), pieces);
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

WriteStatus write_path(const std::string& path, std::initializer_list<std::span<const std::uint8_t>> pieces) {
    const std::wstring target = wide(path);
    if (target.empty()) {
        ::SetLastError(ERROR_INVALID_NAME);
        return WriteStatus::cannot_create;
    }
    if (is_device(target)) return write_directly(target, pieces);

    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            ::SetLastError(ERROR_DIRECTORY);
            return WriteStatus::cannot_create;
        }
        // A read-only file stays as it is, as with a plain create.
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            ::SetLastError(ERROR_ACCESS_DENIED);
            return WriteStatus::cannot_create;
        }
    }

    std::wstring temp;
    Handle h(create_temp(target, temp));
    if (!h.ok()) {
        // Nothing can be made in the directory, but the file itself may be writable.
        if (::GetLastError() == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES)
            return write_directly(target, pieces);
        return WriteStatus::cannot_create;
    }
    pending_temporary.store(temp.c_str());
    // On the disk before the name moves to it: a crash leaves the old file or the new.
    const bool whole = write_pieces(h.get(), pieces) && ::FlushFileBuffers(h.get());
    const bool closed = h.close();
    WriteStatus status = WriteStatus::written;
    if (!whole || !closed) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(temp.c_str());
        ::SetLastError(error);
        status = WriteStatus::short_write;
    } else if (!::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(temp.c_str());
        ::SetLastError(error);
        status = WriteStatus::cannot_create;
    }
    pending_temporary.store(nullptr);
    return status;
}

}  // namespace

WriteStatus write_file(const std::string& path, std::initializer_list<std::span<const std::uint8_t>> pieces) {
    const WriteStatus status = write_path(path, pieces);
    return noted(status, status != WriteStatus::written);
}

bool same_file(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    const auto identify = [](const std::string& name, BY_HANDLE_FILE_INFORMATION& info) {
        // No access asked: the identity of a file even the user may not read.
        Handle h(::CreateFileW(wide(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return h.ok() && ::GetFileInformationByHandle(h.get(), &info);
    };
    return identify(a, ia) && identify(b, ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
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

}  // namespace fit
