#include "kinds.hpp"

#include <algorithm>
#include <array>

#include "fields_json.hpp"
#include "finding.hpp"
#include "media/code_cassette.hpp"
#include "media/record_cut.hpp"
#include "recognise.hpp"

namespace fitinfo {

namespace {

using media::BlockView;
using media::FormatError;

std::string name_text(const media::K7Name& name) {
    return quoted(std::span<const std::uint8_t>(name));
}

std::string block_line(const CassetteBlock& block, std::size_t index, const char* role) {
    return "block " + std::to_string(index + 1) + " at offset " + std::to_string(block.offset) +
           ": name " + name_text(block.name) + ", start " + media::hex16(block.start) +
           ", end " + media::hex16(block.end) + ", " + bytes_text(block.size) +
           ", checksum " + media::hex8(block.sum) + " twice" + (*role ? std::string(", ") + role : "");
}

std::string window_text(const media::Window& window) {
    return media::hex16(static_cast<unsigned>(window.first)) + " to " +
           media::hex16(static_cast<unsigned>(window.last));
}

std::vector<CassetteBlock> blocks_of(const std::vector<BlockView>& views) {
    std::vector<CassetteBlock> blocks;
    for (const auto& view : views)
        blocks.push_back({view.offset, view.name, view.start, view.end, view.data.size(), view.sum});
    return blocks;
}

std::optional<FormatError> same_names(const std::vector<BlockView>& blocks) {
    const auto& name = blocks.front().name;
    for (std::size_t i = 1; i < blocks.size(); ++i)
        for (std::size_t k = 0; k < name.size(); ++k)
            if (blocks[i].name[k] != name[k])
                return media::byte_error(blocks[i].block_offset() + name.size() - 1 - k,
                                         "name of block " + std::to_string(i + 1) +
                                             " (as block 1: " + name_text(name) + ")",
                                         name[k], blocks[i].name[k]);
    return std::nullopt;
}

// A loader block must be the stored one byte for byte, but for its name.
std::optional<FormatError> same_block(const BlockView& block, std::span<const std::uint8_t> stored,
                                      const std::string& what) {
    const std::size_t size = block.data.size() + media::kBlockOverhead;
    const auto bytes = std::span(block.data.data() - media::kDataOffset, size);
    for (std::size_t k = 4; k < std::min(size, stored.size()); ++k)
        if (bytes[k] != stored[k])
            return media::byte_error(block.block_offset() + k, what, stored[k], bytes[k]);
    if (size != stored.size())
        return FormatError{block.block_offset() + media::kEndFieldOffset, "size of the " + what,
                           bytes_text(stored.size() - media::kBlockOverhead),
                           bytes_text(block.data.size())};
    return std::nullopt;
}

// The two loader blocks in front of the code; sets the loader kind.
std::optional<FormatError> check_loader(const std::vector<BlockView>& blocks, int& kind) {
    kind = blocks[1].data.size() == media::loader2b.size() - media::kBlockOverhead ? 2 : 1;
    const media::Loader& loader = media::loader_for(kind);
    const std::string name = "BASIC loader " + std::to_string(kind);
    if (auto error = same_block(blocks[0], loader.first, "first block of " + name)) return error;
    return same_block(blocks[1], loader.second, "second block of " + name);
}

media::Checked<CassetteImage> read_code(const std::vector<BlockView>& blocks) {
    int loader = 0;
    if (blocks.size() == 3)
        if (auto error = check_loader(blocks, loader)) return *error;
    const BlockView& code = blocks.back();
    const unsigned start = code.start;
    const bool low = media::kLowWindow.holds(static_cast<int>(start));
    const bool high = media::kHighWindow.holds(static_cast<int>(start));
    if (!low && !high)
        return FormatError{code.block_offset() + media::kStartFieldOffset,
                           "start address of the code block",
                           window_text(media::kLowWindow) + " or " + window_text(media::kHighWindow),
                           media::hex16(start)};
    if (code.data.empty())
        return FormatError{code.block_offset() + media::kEndFieldOffset,
                           "end address of the code block", "at least 1 byte of code", "none"};
    const auto limit = static_cast<unsigned>(low ? media::kLowLimit
                                                 : media::loader_for(loader).high_limit);
    if (start + code.data.size() > limit)
        return FormatError{code.block_offset() + media::kEndFieldOffset,
                           "end address of the code block" +
                               std::string(low ? "" : loader == 0 ? " (no loader)"
                                                                  : " (with loader " +
                                                                        std::to_string(loader) + ")"),
                           "at most " + media::hex16(limit - 1), media::hex16(code.end)};

    CassetteImage image;
    image.code = true;
    image.loader = loader;
    image.blocks = blocks_of(blocks);
    image.payload.assign(code.data.begin(), code.data.end());
    return image;
}

Finding describe_code(const CassetteImage& image) {
    const auto& blocks = image.blocks;
    const CassetteBlock& code = blocks.back();
    Finding finding;
    finding.kind = std::string(kind_name::kCodeCassette);
    if (image.loader != 0) finding.kind += " with BASIC loader " + std::to_string(image.loader);
    finding.details.push_back("blocks: " + std::to_string(blocks.size()) + ", name " +
                              name_text(code.name));
    for (std::size_t i = 0; i < blocks.size(); ++i)
        finding.details.push_back(block_line(blocks[i], i,
                                             i + 1 < blocks.size()     ? "BASIC loader"
                                             : blocks.size() > 1       ? "code"
                                                                       : ""));
    finding.details.push_back("load and entry address: " + media::hex16(code.start));
    finding.details.push_back("code: " + bytes_text(code.size));
    return finding;
}

media::Checked<CassetteImage> read_data(const std::vector<BlockView>& blocks) {
    std::vector<std::size_t> sizes;
    for (const auto& block : blocks) {
        if (block.start != media::kDataBlockStart)
            return media::word_error(block.block_offset() + media::kStartFieldOffset, false,
                                     "start address of data block " +
                                         std::to_string(sizes.size() + 1),
                                     media::kDataBlockStart, block.start);
        sizes.push_back(block.data.size());
    }
    if (const auto broken = media::check_cut(sizes))
        return FormatError{blocks[broken->index].block_offset() + media::kEndFieldOffset,
                           "size of block " + std::to_string(broken->index + 1) + " (blocks " +
                               sizes_text(sizes) + ")",
                           broken->expected, bytes_text(sizes[broken->index])};
    CassetteImage image;
    image.blocks = blocks_of(blocks);
    for (const auto& block : blocks)
        image.payload.insert(image.payload.end(), block.data.begin(), block.data.end());
    return image;
}

Finding describe_data(const CassetteImage& image) {
    const auto& blocks = image.blocks;
    std::vector<std::size_t> sizes;
    for (const auto& block : blocks) sizes.push_back(block.size);
    Finding finding;
    finding.kind = kind_name::kDataCassette;
    finding.details.push_back("blocks: " + std::to_string(blocks.size()) + " (" +
                              sizes_text(sizes) + " bytes), name " + name_text(blocks[0].name));
    for (std::size_t i = 0; i < blocks.size(); ++i) finding.details.push_back(block_line(blocks[i], i, ""));
    finding.details.push_back("data: " + bytes_text(image.payload.size()));
    return finding;
}

}  // namespace

Finding describe(CassetteImage image) {
    Finding lines = image.code ? describe_code(image) : describe_data(image);
    return found(lines.kind, std::move(lines.details), std::move(image), &CassetteImage::payload);
}

media::Checked<CassetteImage> read_cassette_image(const std::vector<BlockView>& blocks) {
    if (auto error = same_names(blocks)) return *error;
    const bool with_loader = blocks.size() == 3 && blocks[0].start == media::kLoaderFirstStart &&
                             blocks[1].start == media::kLoaderSecondStart;
    if (with_loader || (blocks.size() == 1 && blocks[0].start != 0)) return read_code(blocks);
    return read_data(blocks);
}

void write_json(JsonWriter& json, const CassetteImage& f) {
    json.key("image").string(f.code ? "code" : "data");
    member(json, "loader", static_cast<std::uint64_t>(f.loader));
    json.key("blocks").begin_array();
    for (const auto& block : f.blocks) {
        json.begin_object();
        member(json, "offset", block.offset);
        json.key("name").string(
            std::string_view(reinterpret_cast<const char*>(block.name.data()), block.name.size()));
        member(json, "start", block.start);
        member(json, "end", block.end);
        member(json, "size", block.size);
        member(json, "checksum", block.sum);
        json.end_object();
    }
    json.end_array();
    member(json, "payload_size", f.payload.size());
}

Inspection inspect_cassette(Span file, const InspectOptions&) {
    const auto blocks = media::read_cassette(file);
    if (!blocks) return inspected(kind_name::kCassette, blocks.error());
    return inspected(kind_name::kCassette, described(read_cassette_image(*blocks)));
}

}  // namespace fitinfo
