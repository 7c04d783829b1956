// Calls one converter directly on a source and collects what it did.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/frame.hpp"
#include "support/temp_dir.hpp"

namespace fit_test {

struct ConversionResult {
    int result = -1;        // the converter's return value
    int code = 0;           // first error code reported
    int errors = 0;         // how many "ERROR: " lines were printed
    std::string err;        // everything printed on standard error
    Bytes output;           // out_buffer up to LengthOUT
    bool untouched = true;  // out_buffer still holds only its initial filler
};

template <typename State, typename Conv>
ConversionResult convert_with(Conv conv, const State& state, const Bytes& source,
                              std::size_t out_capacity, const fit::ErrorTable& table) {
    constexpr std::uint8_t kFiller = 0xA5;
    fit::Work work;
    work.in_buffer.assign(source.begin(), source.end());
    work.LengthIN = static_cast<int>(source.size());
    work.out_buffer.assign(out_capacity, kFiller);
    fit::Reporter report(table);
    ConversionResult r;
    testing::internal::CaptureStderr();
    r.result = conv(state, work, report);
    r.err = testing::internal::GetCapturedStderr();
    r.code = report.first_code();
    for (std::size_t at = r.err.find("ERROR: "); at != std::string::npos;
         at = r.err.find("ERROR: ", at + 1))
        ++r.errors;
    r.output.assign(work.out_buffer.begin(), work.out_buffer.begin() + work.LengthOUT);
    r.untouched = work.LengthOUT == 0 &&
                  std::all_of(work.out_buffer.begin(), work.out_buffer.end(),
                              [](std::uint8_t b) { return b == kFiller; });
    return r;
}

}  // namespace fit_test
