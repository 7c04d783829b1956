#include <algorithm>
#include <climits>
#include <optional>

#include "checks.hpp"
#include "datafit/converters.hpp"
#include "datafit/types.hpp"
#include "input.hpp"
#include "run.hpp"
#include "support/cassette_parse.hpp"
#include "support/disk_parse.hpp"
#include "support/text_parse.hpp"

namespace fit_fuzz {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kMaxRecord = 65535;
constexpr std::size_t kMaxRecords = 130560;  // 255 units of 512 bytes
constexpr std::size_t kMaxBlock = 65536;
constexpr std::size_t kMaxImage = 640000;
constexpr std::size_t kUnit = 267;           // leader and block fields

// A size as -H or -r gives it, from 4 bytes: either taken as a signed number or,
// to reach the sizes that matter more often, modulo a little more than the source.
datafit::SizeOption size_option(Input& in, bool relative, bool overflow, std::size_t length) {
    const std::uint32_t raw = in.little(4);
    if (overflow) return {(raw & 1) != 0 ? LONG_MAX : LONG_MIN, true};
    if (relative) return {static_cast<long>(raw % (length + 2)), false};
    return {static_cast<long>(static_cast<std::int32_t>(raw)), false};
}

std::optional<std::size_t> valid(const datafit::SizeOption& s) {
    if (s.overflow || s.value < 0 || s.value > INT_MAX) return std::nullopt;
    return static_cast<std::size_t>(s.value);
}

// How the source is cut: the header piece, then pieces of r bytes and a shorter last.
struct Plan {
    std::size_t header = 0, record = 0, length = 0;

    [[nodiscard]] std::size_t rest() const { return length - header; }
    [[nodiscard]] std::size_t count() const {
        return (header != 0 ? 1 : 0) + (record == 0 ? 1 : (rest() + record - 1) / record);
    }
    [[nodiscard]] std::vector<std::size_t> pieces() const {
        std::vector<std::size_t> p;
        if (header != 0) p.push_back(header);
        if (record == 0) {
            p.push_back(rest());
            return p;
        }
        for (std::size_t left = rest(); left != 0; left -= std::min(left, record))
            p.push_back(std::min(left, record));
        return p;
    }
};

// The code the target refuses the settings with, 0 when it takes them; none for a
// type this check has no rules of.
std::optional<int> refusal(int type, const datafit::State& s, std::size_t length, Plan& plan) {
    if (type == datafit::kTASM) return 0;  // lists every source whole
    if (type != datafit::kDOS && type != datafit::kK7) return std::nullopt;
    const auto header = valid(s.headerSize);
    if (!header) return 7;
    const auto record = valid(s.recordSize);
    if (!record) return 8;
    if (*header > length) return 7;
    plan = {*header, *record, length};
    if (type == datafit::kDOS) {
        const std::size_t declared = std::max(plan.header, plan.record != 0 ? plan.record : plan.rest());
        if (declared > kMaxRecord) return 10;
        return length + 2 * plan.count() > kMaxRecords ? 11 : 0;
    }
    const std::size_t longest = std::max(plan.header, std::min(plan.rest(), plan.record != 0 ? plan.record : plan.rest()));
    if (longest > kMaxBlock) return 12;
    return length + kUnit * plan.count() > kMaxImage ? 13 : 0;
}

std::string check_records(std::span<const std::uint8_t> file, const Plan& plan, const Bytes& source) {
    fit_test::DiskFile disk;
    if (auto e = fit_test::parse_disk_file(file, disk); !e.empty()) return e;
    const auto pieces = plan.pieces();
    if (disk.records.size() != pieces.size()) return "the records are not the cut pieces";
    const std::size_t declared = std::max(plan.header, plan.record != 0 ? plan.record : plan.rest());
    if (disk.max_record_length != declared) return "wrong declared maximum";
    Bytes back;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (disk.records[i].size() != pieces[i]) return "record " + std::to_string(i) + " has the wrong length";
        back.insert(back.end(), disk.records[i].begin(), disk.records[i].end());
    }
    return back == source ? "" : "the records do not give back the source";
}

std::string check_blocks(const datafit::State& s, std::span<const std::uint8_t> image,
                         const Plan& plan, const Bytes& source) {
    const auto parsed = fit_test::parse_cassette(image);
    if (!parsed.ok()) return parsed.error;
    const auto pieces = plan.pieces();
    if (parsed.blocks.size() != pieces.size()) return "the blocks are not the cut pieces";
    Bytes back;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const auto& b = parsed.blocks[i];
        if (b.data.size() != pieces[i]) return "block " + std::to_string(i) + " has the wrong length";
        if (b.start != 0 || b.name != s.K7Name) return "block " + std::to_string(i) + " has the wrong fields";
        back.insert(back.end(), b.data.begin(), b.data.end());
    }
    return back == source ? "" : "the blocks do not give back the source";
}

}  // namespace

std::string check_datafit(std::span<const std::uint8_t> data) {
    Input in(data);
    datafit::State s;
    s.type_number = in.pick_row_number(datafit::kTargetTypes);
    const std::uint8_t flags = in.byte();
    const std::size_t length = in.little(3);
    Input sizes(in.rest());  // read once the source length is known
    for (int i = 0; i < 8; ++i) in.byte();
    for (auto& c : s.K7Name) c = in.byte();
    const Bytes source = in.source((flags & 0x04) != 0, length, datafit::kInCapacity);
    if (source.empty()) return "";  // the frame never converts an empty source
    s.headerSize = size_option(sizes, (flags & 0x01) != 0, (flags & 0x08) != 0, source.size());
    s.recordSize = size_option(sizes, (flags & 0x02) != 0, (flags & 0x10) != 0, source.size());

    static Bench bench;
    const Outcome o = bench.run(datafit::convert, s, source, datafit::capacities(s.type_number).out,
                                fit::datafit_errors);
    if (!o.broken.empty()) return o.broken;
    Plan plan;
    const std::optional<int> expected = refusal(s.type_number, s, source.size(), plan);
    if (expected ? o.code != *expected : o.code != 0 && (o.code < 7 || o.code > 13))
        return "reported " + std::to_string(o.code) + " where " +
               (expected ? std::to_string(*expected) : std::string("0 or 7 to 13")) + " was due";
    if (o.result != 0) return "";

    switch (s.type_number) {
    case datafit::kDOS: return check_records(o.file, plan, source);
    case datafit::kK7: return check_blocks(s, o.file, plan, source);
    case datafit::kTASM: return fit_test::tasm_gives_back(o.file, source);
    default: return fitinfo_takes(o.file);
    }
}

}  // namespace fit_fuzz
