#include "recognise.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "kinds.hpp"
#include "media/disk_container.hpp"

namespace fitinfo {

Inspection inspected(std::string_view kind, Checked checked) {
    Inspection inspection;
    if (checked) {
        inspection.verdict = Verdict::valid;
        inspection.kind = checked->kind;
        inspection.finding = std::move(checked).value();
    } else {
        inspection.verdict = Verdict::broken;
        inspection.kind = kind;
        inspection.error = checked.error();
    }
    return inspection;
}

Inspection inspect_disk_file(Span file, const InspectOptions&) {
    const auto disk = media::read_disk_file(file);
    if (!disk) return inspected(kind_name::kDiskFile, disk.error());
    // Any data may open like an EXE header or a module record: a file that breaks more
    // than one of that kind's fixed rules and reads without fault as plain records is
    // a record file.
    const auto closer = [&](std::string_view kind, Checked checked, std::size_t faults) {
        if (checked || faults < 2) return inspected(kind, std::move(checked));
        if (auto records = described(read_record_file(*disk)))
            return inspected(kind_name::kRecordFile, std::move(records));
        return inspected(kind, std::move(checked));
    };
    if (looks_like_exe(*disk))
        return closer(kind_name::kExe, described(read_exe(*disk)), exe_faults(*disk));
    if (looks_like_tagged_object(*disk))
        return closer(kind_name::kTaggedObject, described(read_tagged_object(*disk)),
                      tagged_object_faults(*disk));
    return inspected(kind_name::kRecordFile, described(read_record_file(*disk)));
}

std::string not_recognised_line() {
    std::string line = "not recognised: neither ";
    for (std::size_t i = 0; i < kKinds.size(); ++i)
        line += std::string(i == 0 ? "" : i + 1 == kKinds.size() ? " nor " : ", ") +
                std::string(kKinds[i].listed);
    return line + ".";
}

Inspection inspect(Span file, const InspectOptions& options) {
    struct Candidate {
        std::size_t differences;
        const Kind* kind;
    };
    std::vector<Candidate> candidates;
    for (const Kind& kind : kKinds)
        if (const std::size_t d = kind.differences(file); d <= 1)
            candidates.push_back({d, &kind});
    std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return a.differences != b.differences ? a.differences < b.differences
                                              : a.kind->first_of_equals && !b.kind->first_of_equals;
    });

    std::optional<Inspection> closest;
    for (const auto& candidate : candidates) {
        Inspection inspection = candidate.kind->inspect(file, options);
        if (inspection.verdict == Verdict::valid) return inspection;
        if (!closest) closest = std::move(inspection);
    }
    return closest ? std::move(*closest) : Inspection{};
}

}  // namespace fitinfo
