// fitinfo's kinds, the one list of them: what each reader makes of a file it accepts
// (every value its summary shows and the payload that -x writes, as plain fields, from
// which the summary lines, the extraction and --json are made), the kinds' place in
// Parsed, and the registry's rows, by which a file's kind is told by its content.
// Each kind's functions named here are defined beside its reader (exe.cpp ...).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

#include "media/basic_program.hpp"
#include "media/byte_listing.hpp"
#include "media/cassette.hpp"
#include "media/cassette_name.hpp"
#include "media/disk_container.hpp"
#include "media/format_error.hpp"
#include "media/tav_picture.hpp"

namespace fitinfo {

using Bytes = std::vector<std::uint8_t>;
using Span = std::span<const std::uint8_t>;

class JsonWriter;
struct Finding;
struct Inspection;
struct InspectOptions;

// How many positions of `text` differ from `model` (a shorter text counts the
// missing bytes): the recognisers accept one wrong byte, so that a damaged file is
// still named and its damage shown.
std::size_t differences(Span text, Span model);
std::size_t differences(Span text, std::string_view model);
// Differences enough to say a file is not of a kind at all.
inline constexpr std::size_t kNotAtAll = 99;

namespace kind_name {  // the containers' names in summaries and fault lines
inline constexpr std::string_view kDiskFile = "disk file";
inline constexpr std::string_view kCassette = "cassette image";
}  // namespace kind_name

// A disk container's header, as declared.
struct Container {
    std::size_t record_count = 0;
    std::size_t max_record_length = 0;
    std::size_t units = 0;  // NbAu: the file is 512 × (units + 1) bytes
};
// An EXE file, a tagged object module or a record file, told by its first record.
Inspection inspect_disk_file(Span file, const InspectOptions& options);

// The executable disk file: a container of two records, ExeHeader and the code
// stored last byte first.
struct ExeFile {
    Container container;
    unsigned load = 0;
    unsigned end = 0;  // address of the last code byte
    unsigned entry = 0;
    std::uint8_t flag = 0;
    std::size_t code_offset = 0;  // of the code in the file, stored last byte first
    Bytes code;                   // in load order
};
namespace kind_name { inline constexpr std::string_view kExe = "executable disk file (EXE)"; }
// A first record of 17 bytes that ends in the signature (one byte may be wrong).
bool looks_like_exe(const media::DiskFile& disk);
media::Checked<ExeFile> read_exe(const media::DiskFile& disk);
Finding describe(ExeFile exe);
void write_json(JsonWriter& json, const ExeFile& f);
// How many of the fields that every EXE file holds the same way this one breaks: a
// damaged EXE breaks one, data that merely opens like a header breaks more.
std::size_t exe_faults(const media::DiskFile& disk);

// The object module in tagged object text; it loads and starts at the module's one
// address.
struct TaggedObject {
    Container container;  // the record count counts the module and end records
    Bytes code;
};
namespace kind_name { inline constexpr std::string_view kTaggedObject = "tagged object module (disk file)"; }
// A first record of 71 characters that opens like the module record (one byte may be
// wrong).
bool looks_like_tagged_object(const media::DiskFile& disk);
media::Checked<TaggedObject> read_tagged_object(const media::DiskFile& disk);
Finding describe(TaggedObject module);
void write_json(JsonWriter& json, const TaggedObject& f);
// How many rules of the module this file breaks, counting each wrong character of the
// module and end records and each wrong data record once: a damaged module breaks
// one, data that merely opens like a module record breaks more.
std::size_t tagged_object_faults(const media::DiskFile& disk);

// The data record file: the source cut into records (a header record, records of one
// size, a shorter last one) in the disk file container.
struct RecordFile {
    Container container;
    std::vector<std::size_t> sizes;  // of each record
    Bytes data;                      // the records end to end
};
namespace kind_name { inline constexpr std::string_view kRecordFile = "data record file (disk file)"; }
// Any container that is neither an executable file nor a tagged object module.
media::Checked<RecordFile> read_record_file(const media::DiskFile& disk);
Finding describe(RecordFile records);
void write_json(JsonWriter& json, const RecordFile& f);

// The ROM cartridge image: the code at its load address, zeros elsewhere, and the
// trailer.
struct RomImage {
    std::optional<unsigned> load;  // none when no code was found
    bool load_given = false;       // else the first non-zero byte
    bool size_given = false;       // else up to the last non-zero byte
    unsigned entry = 0;
    bool paged = false;
    Bytes code;
};
namespace kind_name { inline constexpr std::string_view kRom = "ROM cartridge image"; }
// The code runs from `load` (when given, else from the first non-zero byte) for
// `size` bytes (when given, else to the last non-zero byte below the trailer): code
// that begins or ends with zero bytes needs them.
media::Checked<RomImage> read_rom(Span file, std::optional<std::uint16_t> load,
                                  std::optional<std::uint16_t> size);
Finding describe(RomImage rom);
void write_json(JsonWriter& json, const RomImage& f);
// 0 for a file of the right size with the trailer's two marker bytes in place, 1 for
// one of the two (a length near the right one), kNotAtAll else.
std::size_t rom_differences(Span file);
Inspection inspect_rom(Span file, const InspectOptions& options);

struct CassetteBlock {
    std::size_t offset = 0;  // of its unit, where the leader starts
    media::K7Name name{};      // in the order of K7Name
    unsigned start = 0;
    unsigned end = 0;
    std::size_t size = 0;    // data bytes
    std::uint8_t sum = 0;
};

// What a cassette image holds: a code block (after the two BASIC loader blocks, or
// alone) loaded in one of the two address windows, or data blocks at 0 cut from one
// source.
struct CassetteImage {
    bool code = false;  // a code image, else a data image
    int loader = 0;     // of a code image: 0 for none, else the BASIC loader kind
    std::vector<CassetteBlock> blocks;
    Bytes payload;      // the code, or the data blocks end to end
};
namespace kind_name {
inline constexpr std::string_view kCodeCassette = "code cassette image";
inline constexpr std::string_view kDataCassette = "data cassette image";
}  // namespace kind_name
media::Checked<CassetteImage> read_cassette_image(const std::vector<media::BlockView>& blocks);
Finding describe(CassetteImage image);
void write_json(JsonWriter& json, const CassetteImage& f);
Inspection inspect_cassette(Span file, const InspectOptions& options);

struct BasicProgram {
    std::size_t text_size = 0;
    unsigned last_line = 0;  // the line that pokes and calls the code
    unsigned load = 0;       // also the entry address
    Bytes code;
};
namespace kind_name { inline constexpr std::string_view kBasic = "BASIC DATA loader program"; }
media::Checked<BasicProgram> read_basic(Span text);
Finding describe(BasicProgram program);
void write_json(JsonWriter& json, const BasicProgram& f);
Inspection inspect_basic(Span file, const InspectOptions& options);

struct Listing {
    std::size_t text_size = 0;
    std::size_t lines = 0;  // .byte lines
    Bytes data;
};
// A listing of ".byte" directives.
namespace kind_name { inline constexpr std::string_view kListing = "assembler listing"; }
media::Checked<Listing> read_listing(Span text);
Finding describe(Listing listing);
void write_json(JsonWriter& json, const Listing& f);
Inspection inspect_listing(Span file, const InspectOptions& options);

struct TavFile {
    std::size_t width_groups = 0;
    std::size_t length = 0;  // of the stream
    std::size_t file_size = 0;
    std::size_t runs = 0;      // run bytes in the stream
    std::size_t literals = 0;  // literal markers in the stream
    media::Picture picture;
};
namespace kind_name { inline constexpr std::string_view kTav = "TAV picture"; }
media::Checked<TavFile> read_tav(Span file);  // layout in media/tav_picture.hpp
Finding describe(TavFile tav);
void write_json(JsonWriter& json, const TavFile& f);
// Starts with the magic and the version (one byte may be wrong).
std::size_t tav_signature_differences(Span file);
Inspection inspect_tav(Span file, const InspectOptions& options);

using Parsed = std::variant<std::monostate, ExeFile, TaggedObject, RecordFile, RomImage,
                            CassetteImage, BasicProgram, Listing, TavFile>;

// A row of the registry: a kind fitinfo tells by its content.
struct Kind {
    std::string_view listed;  // its words in the "not recognised" line
    // How many bytes of its signature the file has wrong: it is tried at 0 or 1.
    std::size_t (*differences)(Span file);
    // The file read by the kind's reader and summarised by its describe(), or its fault.
    Inspection (*inspect)(Span file, const InspectOptions& options);
    bool first_of_equals = false;  // tried before the others as close
};

inline constexpr auto kKinds = std::to_array<Kind>({
    {"a disk file", media::signature_differences, inspect_disk_file},
    {"a cassette image", [](Span file) { return differences(file, Span(media::sync).first(4)); },
     inspect_cassette},
    {"a ROM image", rom_differences, inspect_rom},
    // Its four fixed bytes open the file: surer than a disk header's as close.
    {"a TAV picture", tav_signature_differences, inspect_tav, true},
    {"a BASIC DATA program", [](Span file) { return differences(file, media::kBasicFirstLine); },
     inspect_basic},
    {"an assembler listing", [](Span file) { return differences(file, media::kListingLineStart); },
     inspect_listing},
});

}  // namespace fitinfo
