// Runs one converter on a source with a marked output buffer and checks the rules
// every converter keeps, whatever its target: it returns 0 or 1; after 1 it has
// reported exactly one error and left the buffer as it was; after 0 it reported
// nothing and wrote nothing past the length it set.
#pragma once

#include <algorithm>
#include <cstring>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/reporter.hpp"
#include "common/frame.hpp"

namespace fit_fuzz {

struct Outcome {
    int result = -1;
    int code = 0;                        // first error code reported
    std::span<const std::uint8_t> file;  // out_buffer up to LengthOUT
    std::string broken;                  // a rule every converter keeps was broken
};

// Keeps one work area between runs: filling megabytes of marks on every run would
// cost more than most conversions.
class Bench {
public:
    template <typename State, typename Conv>
    Outcome run(Conv conv, const State& state, std::vector<std::uint8_t> source,
                std::size_t out_capacity, const fit::ErrorTable& table) {
        // Only what the previous run wrote needs its marks again.
        if (work_.out_buffer.size() < out_capacity) work_.out_buffer.resize(out_capacity, kFiller);
        std::fill_n(work_.out_buffer.begin(), written_, kFiller);
        work_.out_buffer.resize(out_capacity);
        work_.in_buffer.assign(source.begin(), source.end());
        work_.LengthIN = static_cast<int>(work_.in_buffer.size());
        work_.LengthOUT = 0;

        fit::Reporter report(table);
        Outcome o;
        o.result = conv(state, work_, report);
        o.code = report.first_code();
        const std::span<const std::uint8_t> out(work_.out_buffer);
        const bool inside = work_.LengthOUT >= 0 &&
                            static_cast<std::size_t>(work_.LengthOUT) <= out.size();
        const std::size_t length = inside ? static_cast<std::size_t>(work_.LengthOUT) : 0;
        // A converter writes from the start of out_buffer: everything after what it
        // claims must still be marked.
        const bool clean = marked(out.subspan(length));
        written_ = clean ? length : out.size();

        if (o.result != 0 && o.result != 1) {
            o.broken = "returned " + std::to_string(o.result);
        } else if (!inside) {
            o.broken = "LengthOUT " + std::to_string(work_.LengthOUT) + " is outside out_buffer";
        } else if (!clean) {
            o.broken = "wrote past LengthOUT";
        } else if (o.result == 1 && report.count() != 1) {
            o.broken = "failed after " + std::to_string(report.count()) + " error messages";
        } else if (o.result == 1 && length != 0) {
            o.broken = "failed but set LengthOUT " + std::to_string(length);
        } else if (o.result == 0 && report.count() != 0) {
            o.broken = "succeeded after an error message";
        }
        o.file = out.first(length);
        return o;
    }

private:
    static constexpr std::uint8_t kFiller = 0xA5;

    static bool marked(std::span<const std::uint8_t> bytes) {
        static const std::vector<std::uint8_t> marks(1 << 16, kFiller);
        for (std::size_t at = 0; at < bytes.size(); at += marks.size()) {
            const std::size_t n = std::min(marks.size(), bytes.size() - at);
            if (std::memcmp(bytes.data() + at, marks.data(), n) != 0) return false;
        }
        return true;
    }

    fit::Work work_;
    std::size_t written_ = 0;
};

}  // namespace fit_fuzz
