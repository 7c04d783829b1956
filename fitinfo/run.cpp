#include "run.hpp"

#include <cstdio>

#include "common/file_io.hpp"
#include "fields_json.hpp"
#include "json.hpp"
#include "kinds.hpp"
#include "media/png_preview.hpp"
#include "recognise.hpp"

namespace fitinfo {

namespace {

enum class Read { ok, cannot_open, cannot_read, too_long };

// Longer than any file the converters write (a 640000-byte source listed as text).
constexpr std::size_t kLongest = 1 << 23;

Read read_whole(const std::string& path, Bytes& bytes) {
    const fit::ReadResult read = fit::is_standard_stream(path)
                                     ? fit::read_standard_input_upto(kLongest, bytes)
                                     : fit::read_file_upto(path, kLongest, bytes);
    if (read.status == fit::ReadStatus::cannot_open) return Read::cannot_open;
    if (read.status != fit::ReadStatus::ok) return Read::cannot_read;
    return read.longer ? Read::too_long : Read::ok;
}

// What became of one file: the text report and the JSON one are both made from it.
struct FileReport {
    int status = kValid;
    std::string kind;                         // empty when unknown
    const Finding* finding = nullptr;         // when valid
    std::optional<media::FormatError> fault;  // when broken
    std::string problem;                      // the fault line after "name: "
};

// "name: problem" on standard error, and with --verbose the system's reason after a
// failed call.
void fault_line(const std::string& name, const std::string& problem, const Settings& settings,
                bool system_failure) {
    std::fprintf(stderr, "%s: %s\n", name.c_str(), problem.c_str());
    if (!settings.verbose || !system_failure) return;
    const std::string why = fit::last_failure();
    if (!why.empty()) std::fprintf(stderr, "%s: %s\n", name.c_str(), why.c_str());
}

// Writes what -x asks for; a fault is also kept in `problem`, for --json.
int extract(const Finding& finding, const std::string& file, const Settings& settings,
            std::string& problem) {
    const std::string& out = *settings.extract_to;
    const auto fail = [&](const std::string& name, const char* text, bool system_failure) {
        problem = text;
        fault_line(name, problem, settings, system_failure);
        return kNotExtracted;
    };
    std::optional<Bytes> png;
    if (finding.picture) {
        png = media::png_preview(*finding.picture);
        if (!png) return fail(out, kNoPreview, false);
    } else if (finding.payload.empty()) {
        return fail(file, kNoCode, false);
    }
    const Bytes& bytes = png ? *png : finding.payload;
    const fit::WriteStatus written = settings.extract_to_stdout
                                         ? fit::write_standard_output({bytes})
                                         : fit::write_file(out, {bytes});
    switch (written) {
    case fit::WriteStatus::cannot_create:
        return fail(out, kCannotCreate, true);
    case fit::WriteStatus::short_write:
        return fail(out, kCannotWrite, true);
    case fit::WriteStatus::written:
        break;
    }
    if (!settings.quiet && !settings.json) std::fprintf(stderr, "%s file written.\n", out.c_str());
    return kValid;
}

FileReport examine(const std::string& file, const Settings& settings, Bytes& bytes,
                   std::optional<Inspection>& inspection) {
    FileReport report;
    const auto fail = [&](int status, std::string problem, bool system_failure) {
        report.status = status;
        report.problem = std::move(problem);
        fault_line(file, report.problem, settings, system_failure);
        return report;
    };
    switch (read_whole(file, bytes)) {
    case Read::cannot_open:
        return fail(kUnreadable, kCannotOpen, true);
    case Read::cannot_read:
        return fail(kUnreadable, kCannotRead, true);
    case Read::too_long:
        return fail(kUnrecognised, kTooLong, false);
    case Read::ok:
        break;
    }
    inspection = inspect(bytes, {settings.rom_load, settings.rom_size});
    report.kind = inspection->kind;
    switch (inspection->verdict) {
    case Verdict::unrecognised:
        report.kind.clear();
        return fail(kUnrecognised,
                    not_recognised_line(),
                    false);
    case Verdict::broken:
        report.fault = inspection->error;
        return fail(kBroken, inspection->kind + ": " + media::describe(*inspection->error), false);
    case Verdict::valid:
        break;
    }
    report.finding = &*inspection->finding;
    report.kind = report.finding->kind;
    if (!settings.quiet && !settings.json) {
        // With the payload on standard output, the summary goes to standard error.
        std::FILE* to = settings.extract_to_stdout ? stderr : stdout;
        std::fprintf(to, "%s: %s\n", file.c_str(), report.kind.c_str());
        for (const auto& line : report.finding->details) std::fprintf(to, "  %s\n", line.c_str());
        std::fflush(to);
    }
    if (settings.extract_to) report.status = extract(*report.finding, file, settings, report.problem);
    return report;
}

const char* status_name(int status) {
    switch (status) {
    case kValid: return "valid";
    case kUnreadable: return "unreadable";
    case kBroken: return "broken";
    case kUnrecognised: return "unrecognised";
    case kNotExtracted: return "not extracted";
    default: return "unknown";
    }
}

void write_json(JsonWriter& json, const std::string& file, const FileReport& report) {
    json.begin_object();
    json.key("name").string(file);
    json.key("status").string(status_name(report.status));
    json.key("exit_status").number(static_cast<std::uint64_t>(report.status));
    json.key("kind");
    if (report.kind.empty()) json.null();
    else json.string(report.kind);
    if (report.finding != nullptr) {
        json.key("summary").begin_array();
        for (const auto& line : report.finding->details) json.string(line);
        json.end_array();
        write_fields(json, report.finding->parsed);
    }
    if (report.fault) {
        json.key("fault").begin_object();
        json.key("offset").number(report.fault->offset);
        json.key("rule").string(report.fault->what);
        json.key("expected").string(report.fault->expected);
        json.key("found").string(report.fault->found);
        json.end_object();
    }
    if (!report.problem.empty()) json.key("problem").string(report.problem);
    json.end_object();
}

int report_lost() {
    std::fputs(kReportNotWritten, stderr);
    return kReportLost;
}

}  // namespace

int run(const Settings& settings) {
    int status = kValid;
    JsonWriter json;
    json.begin_object();
    json.key("files").begin_array();
    for (const auto& file : settings.files) {
        Bytes bytes;
        std::optional<Inspection> inspection;
        const FileReport report = examine(file, settings, bytes, inspection);
        if (settings.json) write_json(json, file, report);
        // Whatever follows would be lost as well: the run stops at the first report
        // that did not go out.
        if (std::ferror(stdout)) return report_lost();
        if (status == kValid) status = report.status;
    }
    json.end_array();
    if (settings.json) {
        json.key("status").number(static_cast<std::uint64_t>(status));
        json.end_object();
        // With the payload on standard output, the report goes to standard error.
        std::FILE* to = settings.extract_to_stdout ? stderr : stdout;
        std::fputs(json.text().c_str(), to);
        std::fputc('\n', to);
        std::fflush(to);
        if (std::ferror(stdout)) return report_lost();
    }
    return status;
}

int close_report(int status) {
    if (status == kReportLost) return status;
    return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? status : report_lost();
}

int close_standard_output(int status) {
    if (status == kReportLost) return status;
    return std::fclose(stdout) == 0 ? status : report_lost();
}

}  // namespace fitinfo
