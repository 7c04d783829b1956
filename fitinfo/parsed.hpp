// What each reader makes of a file it accepts: every value its summary shows and the
// payload that -x writes, as plain fields. The summary lines and the extraction are
// both made from these, and so can any other report. Each kind's write_json, defined
// beside its reader, writes its fields for --json.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "media/cassette_name.hpp"
#include "media/tav_picture.hpp"

namespace fitinfo {

using Bytes = std::vector<std::uint8_t>;

class JsonWriter;

// A disk container's header, as declared.
struct Container {
    std::size_t record_count = 0;
    std::size_t max_record_length = 0;
    std::size_t units = 0;  // NbAu: the file is 512 × (units + 1) bytes
};

struct ExeFile {
    Container container;
    unsigned load = 0;
    unsigned end = 0;  // address of the last code byte
    unsigned entry = 0;
    std::uint8_t flag = 0;
    std::size_t code_offset = 0;  // of the code in the file, stored last byte first
    Bytes code;                   // in load order
};
void write_json(JsonWriter& json, const ExeFile& f);

// Loads and starts at the module's one address.
struct TaggedObject {
    Container container;  // the record count counts the module and end records
    Bytes code;
};
void write_json(JsonWriter& json, const TaggedObject& f);

struct RecordFile {
    Container container;
    std::vector<std::size_t> sizes;  // of each record
    Bytes data;                      // the records end to end
};
void write_json(JsonWriter& json, const RecordFile& f);

struct RomImage {
    std::optional<unsigned> load;  // none when no code was found
    bool load_given = false;       // else the first non-zero byte
    bool size_given = false;       // else up to the last non-zero byte
    unsigned entry = 0;
    bool paged = false;
    Bytes code;
};
void write_json(JsonWriter& json, const RomImage& f);

struct CassetteBlock {
    std::size_t offset = 0;  // of its unit, where the leader starts
    media::K7Name name{};      // in the order of K7Name
    unsigned start = 0;
    unsigned end = 0;
    std::size_t size = 0;    // data bytes
    std::uint8_t sum = 0;
};

struct CassetteImage {
    bool code = false;  // a code image, else a data image
    int loader = 0;     // of a code image: 0 for none, else the BASIC loader kind
    std::vector<CassetteBlock> blocks;
    Bytes payload;      // the code, or the data blocks end to end
};
void write_json(JsonWriter& json, const CassetteImage& f);

struct BasicProgram {
    std::size_t text_size = 0;
    unsigned last_line = 0;  // the line that pokes and calls the code
    unsigned load = 0;       // also the entry address
    Bytes code;
};
void write_json(JsonWriter& json, const BasicProgram& f);

struct Listing {
    std::size_t text_size = 0;
    std::size_t lines = 0;  // .byte lines
    Bytes data;
};
void write_json(JsonWriter& json, const Listing& f);

struct TavFile {
    std::size_t width_groups = 0;
    std::size_t length = 0;  // of the stream
    std::size_t file_size = 0;
    std::size_t runs = 0;      // run bytes in the stream
    std::size_t literals = 0;  // literal markers in the stream
    media::Picture picture;
};
void write_json(JsonWriter& json, const TavFile& f);

using Parsed = std::variant<std::monostate, ExeFile, TaggedObject, RecordFile, RomImage,
                            CassetteImage, BasicProgram, Listing, TavFile>;

}  // namespace fitinfo
