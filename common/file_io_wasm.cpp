// The platform layer of the WebAssembly module: files are entries of a table in
// memory, so the programs run unchanged while the page hands bytes in and takes bytes
// out, and nothing reaches a file system.
#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "allocation.hpp"
#include "file_io.hpp"
#include "memory_files.hpp"

namespace fit {

namespace {

// "./a" and "a" are one file, as they are on disk.
std::string_view plain_name(std::string_view path) {
    while (path.starts_with("./")) path.remove_prefix(2);
    return path;
}

}  // namespace

const std::vector<std::uint8_t>* memory_file(std::string_view name) {
    const auto& files = memory_files();
    const auto it = files.find(plain_name(name));
    return it == files.end() ? nullptr : &it->second;
}

void put_memory_file(std::string_view name, std::vector<std::uint8_t> bytes) {
    memory_files().insert_or_assign(std::string(plain_name(name)), std::move(bytes));
}

std::map<std::string, std::vector<std::uint8_t>, std::less<>>& memory_files() {
    static std::map<std::string, std::vector<std::uint8_t>, std::less<>> files;
    return files;
}

ReadResult read_file(const std::string& path, std::span<std::uint8_t> into) {
    ReadResult result;
    const auto* file = memory_file(path);
    if (file == nullptr) {
        result.status = ReadStatus::cannot_open;
        return result;
    }
    result.count = std::min(into.size(), file->size());
    std::copy_n(file->begin(), result.count, into.begin());
    result.longer = file->size() > into.size();
    return result;
}

ReadResult read_file_upto(const std::string& path, const LimitOf& limit_of,
                          std::vector<std::uint8_t>& bytes) {
    ReadResult result;
    bytes.clear();
    const auto* file = memory_file(path);
    if (file == nullptr) {
        result.status = ReadStatus::cannot_open;
        return result;
    }
    // Asked in the steps a file on disk of known size is read in (whole, then a limit
    // reached is final), so the limits come out the same.
    const std::span<const std::uint8_t> all(*file);
    std::size_t count = 0;
    std::size_t limit = limit_of(all.first(0));
    bool final = false;
    while (count <= limit && count < all.size()) {
        count = std::min(limit + 1, all.size());
        if (final) continue;
        limit = limit_of(all.first(count));
        final = count >= limit;
    }
    result.longer = all.size() > limit;
    result.count = std::min(limit, all.size());
    bytes.assign(file->begin(), file->begin() + static_cast<std::ptrdiff_t>(result.count));
    return result;
}

namespace {

// Nothing of a set reaches the table before every file of it is known to go in.
struct Entry {
    std::string name;
    std::vector<std::span<const std::uint8_t>> pieces;
    bool optional = false;
    WriteStatus status = WriteStatus::written;
    bool ready = false;
};

}  // namespace

struct FileSet::Impl {
    std::vector<Entry> entries;
};

FileSet::FileSet() : impl_(std::make_unique<Impl>()) {}

FileSet::~FileSet() = default;

std::size_t FileSet::add(std::string path, Pieces pieces, bool optional) {
    Entry e{std::string(plain_name(path)), {pieces.begin(), pieces.end()}, optional};
    // No folders here: a name with one could not be created on disk either.
    if (e.name.empty() || e.name.find('/') != std::string::npos ||
        impl_->entries.size() >= kMostFiles)
        e.status = WriteStatus::cannot_create;
    impl_->entries.push_back(std::move(e));
    return impl_->entries.size() - 1;
}

std::size_t FileSet::prepare() {
    auto& entries = impl_->entries;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i].ready = entries[i].status == WriteStatus::written;
        if (entries[i].ready || entries[i].optional) continue;
        for (Entry& e : entries) e.ready = false;
        return i;
    }
    return entries.size();
}

std::size_t FileSet::commit() {
    for (Entry& e : impl_->entries) {
        if (!e.ready) continue;
        std::vector<std::uint8_t> bytes;
        for (const auto piece : e.pieces) bytes.insert(bytes.end(), piece.begin(), piece.end());
        put_memory_file(e.name, std::move(bytes));
        e.ready = false;
    }
    return impl_->entries.size();
}

std::size_t FileSet::size() const { return impl_->entries.size(); }

WriteStatus FileSet::status(std::size_t index) const { return impl_->entries[index].status; }

// Standard input and output are the file named "-": the page puts the source there and
// takes the target from there, as it does with every other file.
constexpr const char* kStandardStream = "-";

ReadResult read_standard_input(std::span<std::uint8_t> into) {
    return read_file(kStandardStream, into);
}

ReadResult read_standard_input_upto(const LimitOf& limit_of, std::vector<std::uint8_t>& bytes) {
    return read_file_upto(kStandardStream, limit_of, bytes);
}

WriteStatus write_standard_output(Pieces pieces) {
    return write_file(kStandardStream, pieces);
}

// Nothing here fails for a reason of the system's: a file is missing or a name has a
// folder, and the program's own message says so.
std::string last_failure() { return {}; }

bool same_file(const std::string& a, const std::string& b) {
    return memory_file(a) != nullptr && plain_name(a) == plain_name(b);
}

bool standard_input_is(const std::string& path) {
    return memory_file(kStandardStream) != nullptr && plain_name(path) == kStandardStream;
}

void start_process(int&, char**&) {}

void* map_pages(std::size_t bytes) { return std::calloc(bytes, 1); }

void release_pages(void* pages, std::size_t) noexcept { std::free(pages); }

void prepare_pages(void*, std::size_t) {}

}  // namespace fit
