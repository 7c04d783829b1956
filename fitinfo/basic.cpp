#include "kinds.hpp"

#include <algorithm>

#include "fields_json.hpp"
#include "finding.hpp"
#include "media/basic_program.hpp"
#include "recognise.hpp"
#include "text_cursor.hpp"

namespace fitinfo {

namespace {
constexpr unsigned kLowest = media::kBasicWindow.first;
constexpr unsigned kAbove = media::kBasicWindow.last;  // the code ends below it
constexpr unsigned kFirstLine = media::kBasicFirstLineNumber;
constexpr unsigned kStep = media::kBasicLineStep;
}  // namespace

media::Checked<BasicProgram> read_basic(std::span<const std::uint8_t> text) {
    using media::FormatError;
    TextCursor cursor(text);
    if (auto error = cursor.literal(media::kBasicFirstLine, "line 100")) return *error;
    const std::size_t load_at = cursor.at();
    const auto load = cursor.decimal(0xFFFF, "load address in line 100");
    if (!load) return load.error();
    if (auto error = cursor.literal(",", "line 100")) return *error;
    const std::size_t count_at = cursor.at();
    const auto count = cursor.decimal(0xFFFF, "byte count in line 100");
    if (!count) return count.error();
    if (auto error = cursor.literal(media::kBasicLineEnd, "end of line 100")) return *error;
    // At least one byte of code must fit below kAbove.
    if (*load < kLowest || *load >= kAbove)
        return FormatError{load_at, "load address in line 100",
                           std::to_string(kLowest) + " to " + std::to_string(kAbove - 1) +
                               " (" + media::hex16(kLowest) + " to " + media::hex16(kAbove - 1) + ")",
                           std::to_string(*load)};
    if (*count == 0 || *load + *count > kAbove)
        return FormatError{count_at, "byte count in line 100",
                           "1 to " + std::to_string(kAbove - *load) + " (the code ends below " +
                               media::hex16(kAbove) + ")",
                           std::to_string(*count)};

    Bytes code;
    unsigned line = kFirstLine + kStep;
    const auto in_line = [&](media::FormatError error) {
        error.what += " (line " + std::to_string(line) + ")";
        return error;
    };
    while (code.size() < *count) {
        if (auto error = cursor.literal(std::to_string(line) + std::string(media::kBasicDataWord),
                                        "line number and DATA"))
            return in_line(*error);
        const std::size_t values = std::min(media::kBasicValuesPerLine, *count - code.size());
        for (std::size_t v = 0; v < values; ++v) {
            const auto value = cursor.decimal(255, "byte value");
            if (!value) return in_line(value.error());
            code.push_back(static_cast<std::uint8_t>(*value));
            if (v + 1 < values)
                if (auto error = cursor.literal(",", "comma between the values"))
                    return in_line(*error);
        }
        if (auto error = cursor.literal(media::kBasicLineEnd, "end of line")) return in_line(*error);
        line += kStep;
    }
    if (auto error = cursor.literal(std::to_string(line) + std::string(media::kBasicRunLine),
                                    "last line, which pokes the code and calls it"))
        return in_line(*error);
    if (auto error = cursor.end("text after the last line")) return *error;

    BasicProgram program;
    program.text_size = text.size();
    program.last_line = line;
    program.load = *load;
    program.code = std::move(code);
    return program;
}

Finding describe(BasicProgram program) {
    const unsigned byte_lines = (program.last_line - kFirstLine) / kStep - 1;
    std::vector<std::string> details{
        "text: " + bytes_text(program.text_size) + ", lines 100 to " +
            std::to_string(program.last_line) + " (" + std::to_string(byte_lines) +
            (byte_lines == 1 ? " line" : " lines") + " of bytes)",
        "load and entry address: " + media::hex16(program.load) + " (" +
            std::to_string(program.load) + ")",
        "code: " + bytes_text(program.code.size()),
    };
    return found(kind_name::kBasic, std::move(details), std::move(program), &BasicProgram::code);
}

void write_json(JsonWriter& json, const BasicProgram& f) {
    member(json, "text_size", f.text_size);
    member(json, "last_line", f.last_line);
    member(json, "load", f.load);
    member(json, "code_size", f.code.size());
}

Inspection inspect_basic(Span file, const InspectOptions&) {
    return inspected(kind_name::kBasic, described(read_basic(file)));
}

}  // namespace fitinfo
