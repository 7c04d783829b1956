#include "frame.hpp"

#include <cstdio>

#include "allocation.hpp"
#include "file_io.hpp"
#include "options.hpp"

namespace fit {

namespace {
constexpr int kCannotOpen = 2;
constexpr int kCannotSave = 3;
constexpr int kLoading = 4;
constexpr int kSaving = 5;
constexpr int kMemory = 6;
}  // namespace

void report_written(const std::string& name) {
    std::fprintf(stderr, "%s file written.\n", name.c_str());
}

std::optional<int> open_run(const CommandLine& command, int argc, char** argv,
                            const std::function<int()>& manage, const Voice& voice,
                            Reporter& report) {
    print_banner(command, argc, argv);
    const int parsed = manage();
    if (parsed != kGoOn) return parsed == kAnswered ? answered_status() : 1;
    report.set_verbose(voice.verbose);
    return std::nullopt;
}

bool init(Work& work, Capacities caps, Reporter& report) {
    // Left as allocated: load() fills what it reads, and each converter writes all it
    // claims (see page_buffer.hpp).
    if (!try_allocate([&] {
            work.in_buffer.resize(caps.in);
            work.out_buffer.resize(caps.out);
        })) {
        end(work);
        report.error(kMemory);
        return false;
    }
    return true;
}

int load(Work& work, const std::string& source, LongSource longer, Reporter& report) {
    const ReadResult read = is_standard_stream(source) ? read_standard_input(work.in_buffer)
                                                       : read_file(source, work.in_buffer);
    if (read.status == ReadStatus::cannot_open) {
        report.error(kCannotOpen);
        report.explain(source);
        return 0;
    }
    if (read.status == ReadStatus::read_error || read.count == 0) {
        report.error(kLoading);
        report.explain(source);  // nothing for an empty source, which is no failed call
        return 0;
    }
    if (read.longer && longer.refuse_code != 0) {
        report.error(longer.refuse_code);
        return 0;
    }
    return static_cast<int>(read.count);
}

int save(const Work& work, const std::string& target, Reporter& report, bool quiet) {
    const WriteStatus status = is_standard_stream(target) ? write_standard_output({work.output()})
                                                          : write_file(target, {work.output()});
    switch (status) {
    case WriteStatus::cannot_create:
        report.error(kCannotSave);
        report.explain(target);
        return 0;
    case WriteStatus::short_write:
        report.error(kSaving);
        report.explain(target);
        return 0;
    case WriteStatus::written:
        break;
    }
    if (!quiet) report_written(target);
    return work.LengthOUT;
}

void end(Work& work) {
    work.in_buffer = {};
    work.out_buffer = {};
    work.LengthIN = 0;
    work.LengthOUT = 0;
}

int run_conversion(const Run& run, const Converter& convert, Reporter& report) {
    Work work;
    if (!init(work, run.caps, report)) return report.first_code();
    work.LengthIN = load(work, run.source, run.longer, report);
    if (work.LengthIN != 0) {
        // A converter always reports before it fails; 1 is only a safety net.
        if (convert(work, report) != 0 && !report.failed()) return 1;
        if (!report.failed()) save(work, run.target, report, run.quiet);
    }
    end(work);
    return report.first_code();
}

}  // namespace fit
