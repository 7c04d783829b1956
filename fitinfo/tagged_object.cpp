#include "kinds.hpp"

#include <algorithm>
#include <optional>
#include <string_view>

#include "fields_json.hpp"
#include "finding.hpp"
#include "media/object_module.hpp"

namespace fitinfo {

namespace {

constexpr std::size_t kTextRecordLength = media::kModuleLineLength;
constexpr std::size_t kBytesPerTextRecord = media::kModuleBytesPerLine;
constexpr std::size_t kLongestModule = media::kModuleLongest;
constexpr std::span<const std::uint8_t> kModuleRecord = media::firstline;
constexpr std::span<const std::uint8_t> kEndRecord = media::lastline;
constexpr std::size_t kModuleHead = media::kModuleHead.size();

std::optional<unsigned> hex_digit(std::uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return std::nullopt;
}

// Reads the data records, appending their bytes to `code`.
class DataRecordReader {
public:
    explicit DataRecordReader(Bytes& code) : code_(code) {}

    std::optional<media::FormatError> read(const media::RecordView& record, std::size_t index,
                                           bool last) {
        data_ = record.data;
        base_ = record.offset + media::kRecordWordSize;
        name_ = "record " + std::to_string(index + 1);
        std::size_t at = 0;
        std::size_t words = 0;
        while (words < kBytesPerTextRecord / 2 && data_[at] == 'B') {
            if (auto error = byte_pair(at + 1, 2)) return error;
            at += 5;
            ++words;
        }
        if (words == kBytesPerTextRecord / 2) return expect(at, 'F', "'F' after 14 words");
        if (!last) return expect(at, 'B', "'B' (only the last data record is short)");
        const bool odd = data_[at] == '*';
        if (odd) {
            if (auto error = byte_pair(at + 1, 1)) return error;
            at += 3;
        } else if (words == 0) {
            return expect(at, 'B', "'B' or '*'");
        }
        if (auto error = expect(at, 'F', odd ? "'F' after the last byte" : "'B', '*' or 'F'"))
            return error;
        for (++at; at < kTextRecordLength; ++at)
            if (auto error = expect(at, ' ', "blank after 'F'")) return error;
        return std::nullopt;
    }

private:
    std::optional<media::FormatError> expect(std::size_t at, std::uint8_t c, const char* what) {
        if (data_[at] == c) return std::nullopt;
        return media::FormatError{base_ + at, name_ + ": " + what, char_text(c),
                                  char_text(data_[at])};
    }

    // `count` bytes in two hexadecimal digits each from `at` on.
    std::optional<media::FormatError> byte_pair(std::size_t at, std::size_t count) {
        for (std::size_t b = 0; b < count; ++b) {
            unsigned value = 0;
            for (std::size_t d = 0; d < 2; ++d) {
                const std::uint8_t c = data_[at + 2 * b + d];
                const auto digit = hex_digit(c);
                if (!digit)
                    return media::FormatError{base_ + at + 2 * b + d,
                                              name_ + ": hexadecimal digit",
                                              "0 to 9 or A to F", char_text(c)};
                value = value << 4 | *digit;
            }
            code_.push_back(static_cast<std::uint8_t>(value));
        }
        return std::nullopt;
    }

    Bytes& code_;
    std::span<const std::uint8_t> data_;
    std::size_t base_ = 0;
    std::string name_;
};

std::optional<media::FormatError> compare_record(const media::RecordView& record,
                                                 std::span<const std::uint8_t> model,
                                                 const std::string& what) {
    const auto diff = std::mismatch(model.begin(), model.end(), record.data.begin());
    if (diff.first == model.end()) return std::nullopt;
    const auto at = static_cast<std::size_t>(diff.first - model.begin());
    return media::FormatError{record.offset + media::kRecordWordSize + at,
                              what + ", character " + std::to_string(at + 1),
                              char_text(*diff.first), char_text(*diff.second)};
}

}  // namespace

std::size_t tagged_object_faults(const media::DiskFile& disk) {
    const auto& records = disk.records;
    std::size_t faults = disk.max_record_length != kTextRecordLength;
    faults += records.size() < 3;
    const auto wrong_characters = [](std::span<const std::uint8_t> data,
                                     std::span<const std::uint8_t> model) {
        return data.size() == model.size() ? differences(data, model) : 1;
    };
    if (!records.empty()) faults += wrong_characters(records.front().data, kModuleRecord);
    if (records.size() > 1) faults += wrong_characters(records.back().data, kEndRecord);
    Bytes code;
    DataRecordReader reader(code);
    for (std::size_t i = 1; i + 1 < records.size(); ++i) {
        if (records[i].data.size() != kTextRecordLength)
            ++faults;
        else
            faults += reader.read(records[i], i, i + 2 == records.size()).has_value();
    }
    return faults;
}

bool looks_like_tagged_object(const media::DiskFile& disk) {
    if (disk.records.empty() || disk.records[0].data.size() != kTextRecordLength) return false;
    return differences(disk.records[0].data.first(kModuleHead),
                       kModuleRecord.first(kModuleHead)) <= 1;
}

media::Checked<TaggedObject> read_tagged_object(const media::DiskFile& disk) {
    using media::FormatError;
    if (disk.max_record_length != kTextRecordLength)
        return media::word_error(media::kMaxRecordLengthOffset, true, "MaxRecordLengthH/L",
                                 kTextRecordLength, static_cast<unsigned>(disk.max_record_length));
    for (std::size_t i = 0; i < disk.records.size(); ++i)
        if (disk.records[i].data.size() != kTextRecordLength)
            return media::word_error(disk.records[i].offset, true,
                                     "length of record " + std::to_string(i + 1),
                                     kTextRecordLength,
                                     static_cast<unsigned>(disk.records[i].data.size()));
    if (disk.records.size() < 3)
        return FormatError{media::kRecordCountOffset, "NbRecordH/NbRecordL",
                           "at least 3 (module, data and end records)",
                           std::to_string(disk.records.size())};
    if (auto error = compare_record(disk.records.front(), kModuleRecord, "module record"))
        return *error;
    if (auto error = compare_record(disk.records.back(), kEndRecord, "end record")) return *error;

    Bytes code;
    DataRecordReader reader(code);
    const std::size_t last = disk.records.size() - 2;
    for (std::size_t i = 1; i <= last; ++i) {
        if (auto error = reader.read(disk.records[i], i, i == last)) return *error;
        if (code.size() > kLongestModule)
            return FormatError{disk.records[i].offset, "code length",
                               "at most " + bytes_text(kLongestModule),
                               "more in record " + std::to_string(i + 1)};
    }

    return TaggedObject{container_of(disk), std::move(code)};
}

Finding describe(TaggedObject module) {
    const std::size_t records = module.container.record_count;
    const std::size_t data_records = records - 2;
    std::vector<std::string> details{
        container_text(module.container),
        "text records: " + std::to_string(records) + " of " + std::to_string(kTextRecordLength) +
            " characters (module, " + std::to_string(data_records) +
            (data_records == 1 ? " data record" : " data records") + ", end)",
        "module name: " + std::string(media::kModuleName),
        "code: " + bytes_text(module.code.size()) + " (loads at " +
            media::hex16(media::kModuleAddress) + ")",
    };
    return found(kind_name::kTaggedObject, std::move(details), std::move(module),
                 &TaggedObject::code);
}

void write_json(JsonWriter& json, const TaggedObject& f) {
    write_container(json, f.container);
    member(json, "code_size", f.code.size());
}

}  // namespace fitinfo
