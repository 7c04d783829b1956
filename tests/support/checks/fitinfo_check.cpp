#include <algorithm>
#include <type_traits>
#include <variant>

#include "checks.hpp"
#include "codefit/converters.hpp"
#include "datafit/converters.hpp"
#include "fitinfo/recognise.hpp"
#include "fitinfo/kinds.hpp"
#include "picfit/encoder.hpp"
#include "picfit/tav_file.hpp"
#include "run.hpp"

namespace fit_fuzz {

namespace {

using Bytes = std::vector<std::uint8_t>;
using Span = std::span<const std::uint8_t>;

// Bench runs of each program, kept between inputs.
Bench& codefit_bench() {
    static Bench bench;
    return bench;
}
Bench& datafit_bench() {
    static Bench bench;
    return bench;
}

std::string compare(const Outcome& o, Span file, const char* what) {
    if (!o.broken.empty()) return std::string(what) + ": " + o.broken;
    if (o.result != 0)
        return std::string(what) + " refused the payload and settings fitinfo read (code " +
               std::to_string(o.code) + ")";
    if (!std::ranges::equal(o.file, file))
        return std::string(what) + " made another file from the payload and settings fitinfo read";
    return "";
}

std::string remake_code(int type, codefit::State s, const Bytes& code, Span file) {
    s.type_number = type;
    const Outcome o = codefit_bench().run(codefit::convert, s, code, codefit::kCapacities.out,
                                          fit::codefit_errors);
    return compare(o, file, "codefit");
}

std::string remake_data(int type, datafit::State s, const Bytes& data, Span file) {
    // Beyond what datafit reads: fitinfo reads longer files than datafit makes.
    if (data.size() > datafit::kInCapacity) return "";
    s.type_number = type;
    const Outcome o = datafit_bench().run(datafit::convert, s, data,
                                          datafit::capacities(type).out, fit::datafit_errors);
    return compare(o, file, "datafit");
}

// The -H and -r that cut the data into these pieces; `declared` is a record file's
// declared longest record (the record size when it is longer than every piece).
datafit::State cut_settings(const std::vector<std::size_t>& sizes, std::size_t declared) {
    datafit::State s;
    std::size_t header = 0;
    std::size_t record = 0;
    if (sizes.size() >= 3) {
        header = sizes[0];
        record = sizes[1];
    } else if (sizes.size() == 2) {
        header = sizes[0];
        if (declared > std::max(sizes[0], sizes[1]) && sizes[1] != 0) record = declared;
    } else if (!sizes.empty() && declared > sizes[0]) {
        record = declared;
    }
    s.headerSize = {static_cast<long>(header), false};
    s.recordSize = {static_cast<long>(record), false};
    return s;
}

// Makes the file again with the converter that writes its kind. TAV pictures are not
// made again here: their payload is a preview, not the source.
struct Remake {
    Span file;

    std::string operator()(const std::monostate&) const { return ""; }

    std::string operator()(const fitinfo::ExeFile& exe) const {
        codefit::State s;
        s.load_address = static_cast<std::uint16_t>(exe.load);
        s.entry_address = static_cast<std::uint16_t>(exe.entry);
        s.clearvdp = (exe.flag & 0x02) != 0;
        return remake_code(codefit::kEXE, s, exe.code, file);
    }
    std::string operator()(const fitinfo::TaggedObject& module) const {
        codefit::State s;
        s.load_address = s.entry_address = 0x1000;
        return remake_code(codefit::kDOS, s, module.code, file);
    }
    std::string operator()(const fitinfo::RomImage& rom) const {
        if (!rom.load) return "";  // nothing to extract
        codefit::State s;
        s.load_address = static_cast<std::uint16_t>(*rom.load);
        s.entry_address = static_cast<std::uint16_t>(rom.entry);
        s.pagination = rom.paged;
        return remake_code(codefit::kROM, s, rom.code, file);
    }
    std::string operator()(const fitinfo::BasicProgram& program) const {
        codefit::State s;
        s.load_address = s.entry_address = static_cast<std::uint16_t>(program.load);
        return remake_code(codefit::kBAS, s, program.code, file);
    }
    std::string operator()(const fitinfo::CassetteImage& image) const {
        if (image.blocks.empty()) return "a cassette image without blocks";
        if (image.code) {
            codefit::State s;
            s.load_address = s.entry_address = static_cast<std::uint16_t>(image.blocks.back().start);
            s.loaderk7 = image.loader;
            s.K7Name = image.blocks.back().name;
            return remake_code(codefit::kK7, s, image.payload, file);
        }
        std::vector<std::size_t> sizes;
        for (const auto& block : image.blocks) sizes.push_back(block.size);
        datafit::State s = cut_settings(sizes, 0);
        s.K7Name = image.blocks.front().name;
        return remake_data(datafit::kK7, s, image.payload, file);
    }
    std::string operator()(const fitinfo::RecordFile& records) const {
        return remake_data(datafit::kDOS,
                           cut_settings(records.sizes, records.container.max_record_length),
                           records.data, file);
    }
    std::string operator()(const fitinfo::Listing& listing) const {
        return remake_data(datafit::kTASM, datafit::State{}, listing.data, file);
    }
    // A sound stream needs not be coded the encoder's one way: see recode().
    std::string operator()(const fitinfo::TavFile&) const { return ""; }
};

// picfit's encoder on the picture fitinfo decoded: picfit's file of it must read back
// to the same picture.
std::string recode(const fitinfo::TavFile& tav, const fitinfo::Finding& finding) {
    if (!finding.picture || *finding.picture != tav.picture)
        return "the picture extracted is not the one parsed";
    picfit::TavRecord record;
    const int length = tav.picture.colour ? picfit::encode_colour_tav(tav.picture, record)
                                          : picfit::encode_two_colour_tav(tav.picture, record);
    if (length <= 0) return "picfit's encoder refused a picture fitinfo accepts";
    const picfit::TavHeader header = picfit::tav_header(record, length);
    Bytes again(header.begin(), header.end());
    again.insert(again.end(), record.stream.begin(), record.stream.end());
    const auto back = fitinfo::read_tav(again);
    if (!back) return "picfit's file of the picture is refused: " + media::describe(back.error());
    if (back->picture != tav.picture) return "picfit's file of the picture reads back to another";
    return "";
}

// The payload that -x writes is the one the parsed file holds.
struct PayloadOf {
    const Bytes* operator()(const std::monostate&) const { return nullptr; }
    const Bytes* operator()(const fitinfo::ExeFile& p) const { return &p.code; }
    const Bytes* operator()(const fitinfo::TaggedObject& p) const { return &p.code; }
    const Bytes* operator()(const fitinfo::RomImage& p) const { return &p.code; }
    const Bytes* operator()(const fitinfo::BasicProgram& p) const { return &p.code; }
    const Bytes* operator()(const fitinfo::CassetteImage& p) const { return &p.payload; }
    const Bytes* operator()(const fitinfo::RecordFile& p) const { return &p.data; }
    const Bytes* operator()(const fitinfo::Listing& p) const { return &p.data; }
    const Bytes* operator()(const fitinfo::TavFile&) const { return nullptr; }  // a preview
};

// What fitinfo made of the file holds together (see check_fitinfo).
std::string check_inspection(Span file, const fitinfo::Inspection& inspection) {
    switch (inspection.verdict) {
    case fitinfo::Verdict::unrecognised:
        if (inspection.finding || inspection.error) return "unrecognised, yet with a finding or a fault";
        return "";
    case fitinfo::Verdict::broken: {
        if (!inspection.error || inspection.finding) return "broken without exactly one fault";
        if (inspection.kind.empty()) return "a fault without the kind it breaks";
        const auto& error = *inspection.error;
        if (error.offset > file.size())
            return "a fault at offset " + std::to_string(error.offset) + ", past the end";
        if (error.what.empty() || error.expected.empty() || error.found.empty())
            return "a fault that does not say what, what was expected or what was found";
        return "";
    }
    case fitinfo::Verdict::valid:
        break;
    }
    if (!inspection.finding || inspection.error) return "valid without exactly one summary";
    const fitinfo::Finding& finding = *inspection.finding;
    if (finding.kind.empty() || finding.details.empty()) return "a summary without kind or lines";
    const Bytes* payload = std::visit(PayloadOf{}, finding.parsed);
    if (payload != nullptr && *payload != finding.payload)
        return "the payload is not the one the parsed file holds";
    if (const auto* tav = std::get_if<fitinfo::TavFile>(&finding.parsed)) return recode(*tav, finding);
    if (finding.payload.empty()) return "";  // nothing is extracted
    return std::visit(Remake{file}, finding.parsed);
}

}  // namespace

std::string check_fitinfo(std::span<const std::uint8_t> file) {
    return check_inspection(file, fitinfo::inspect(file, {}));
}

std::string fitinfo_takes(std::span<const std::uint8_t> file) {
    const fitinfo::Inspection inspection = fitinfo::inspect(file, {});
    if (inspection.verdict != fitinfo::Verdict::valid) return "fitinfo does not take the file made";
    return check_inspection(file, inspection);
}

}  // namespace fit_fuzz
