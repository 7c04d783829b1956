#include "recognise.hpp"

#include <algorithm>
#include <array>
#include <functional>

#include "basic.hpp"
#include "cassette_image.hpp"
#include "exe.hpp"
#include "listing.hpp"
#include "media/basic_program.hpp"
#include "media/byte_listing.hpp"
#include "media/cassette.hpp"
#include "media/disk_container.hpp"
#include "record_file.hpp"
#include "rom.hpp"
#include "tagged_object.hpp"
#include "tav.hpp"

namespace fitinfo {

namespace {

using Span = std::span<const std::uint8_t>;

Inspection from(std::string kind, Checked checked) {
    Inspection inspection;
    if (checked) {
        inspection.verdict = Verdict::valid;
        inspection.kind = checked->kind;
        inspection.finding = std::move(checked).value();
    } else {
        inspection.verdict = Verdict::broken;
        inspection.kind = std::move(kind);
        inspection.error = checked.error();
    }
    return inspection;
}

Inspection inspect_disk_file(Span file) {
    const auto disk = media::read_disk_file(file);
    if (!disk) return from("disk file", disk.error());
    // Any data may open like an EXE header or a module record: a file that breaks more
    // than one of that kind's fixed rules and reads without fault as plain records is
    // a record file.
    const auto closer = [&](std::string kind, Checked checked, std::size_t faults) {
        if (checked || faults < 2) return from(std::move(kind), std::move(checked));
        if (auto records = described(read_record_file(*disk)))
            return from("data record file (disk file)", std::move(records));
        return from(std::move(kind), std::move(checked));
    };
    if (looks_like_exe(*disk))
        return closer("executable disk file (EXE)", described(read_exe(*disk)), exe_faults(*disk));
    if (looks_like_tagged_object(*disk))
        return closer("tagged object module (disk file)", described(read_tagged_object(*disk)),
                      tagged_object_faults(*disk));
    return from("data record file (disk file)", described(read_record_file(*disk)));
}

Inspection inspect_cassette(Span file) {
    const auto blocks = media::read_cassette(file);
    if (!blocks) return from("cassette image", blocks.error());
    return from("cassette image", described(read_cassette_image(*blocks)));
}

std::size_t text_differences(Span file, std::string_view start) {
    return differences(file, Span(reinterpret_cast<const std::uint8_t*>(start.data()), start.size()));
}

std::size_t leader_differences(Span file) {
    return differences(file, Span(media::sync).first(4));
}

struct Candidate {
    std::size_t differences;
    std::function<Inspection()> read;
};

}  // namespace

Inspection inspect(Span file, const InspectOptions& options) {
    bool rom_exact = false;
    const bool rom = looks_like_rom(file, rom_exact);
    std::vector<Candidate> candidates{
        {tav_signature_differences(file), [&] { return from("TAV picture", described(read_tav(file))); }},
        {media::signature_differences(file), [&] { return inspect_disk_file(file); }},
        {leader_differences(file), [&] { return inspect_cassette(file); }},
        {rom ? (rom_exact ? 0u : 1u) : 99u,
         [&] {
             return from("ROM cartridge image",
                         described(read_rom(file, options.rom_load, options.rom_size)));
         }},
        {text_differences(file, media::kBasicFirstLine),
         [&] { return from("BASIC DATA loader program", described(read_basic(file))); }},
        {text_differences(file, media::kListingLineStart),
         [&] { return from("assembler listing", described(read_listing(file))); }},
    };
    std::erase_if(candidates, [](const Candidate& c) { return c.differences > 1; });
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.differences < b.differences; });

    std::optional<Inspection> closest;
    for (const auto& candidate : candidates) {
        Inspection inspection = candidate.read();
        if (inspection.verdict == Verdict::valid) return inspection;
        if (!closest) closest = std::move(inspection);
    }
    return closest ? std::move(*closest) : Inspection{};
}

}  // namespace fitinfo
