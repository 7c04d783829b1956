// codefit's five converters, one per target type. Each reads the source in
// work.in_buffer and the settings, builds the whole target in work.out_buffer from its start
// and sets work.LengthOUT; it returns 0, or 1 after reporting a range error, in
// which case it has written nothing.
#pragma once

#include "common/frame.hpp"
#include "messages.hpp"
#include "options.hpp"

namespace codefit {

inline constexpr fit::Capacities kCapacities{0xFFFF, 0x1D600};

int ExeConv(const State& state, fit::Work& work, fit::Reporter& report);
int DosConv(const State& state, fit::Work& work, fit::Reporter& report);
int RomConv(const State& state, fit::Work& work, fit::Reporter& report);
int K7Conv(const State& state, fit::Work& work, fit::Reporter& report);
int BasConv(const State& state, fit::Work& work, fit::Reporter& report);

// The converter that type_number selects.
int convert(const State& state, fit::Work& work, fit::Reporter& report);

// What a converter found of the three ranges, each true when it holds.
struct RangeTests {
    bool load;   // load_address
    bool entry;  // entry_address
    bool end;    // load_address + LengthIN
};

// Reports the first range that does not hold, in this order (kLoadAddress,
// kEntryAddress, kCodeEnd); true when all do.
inline bool ranges_hold(const RangeTests& tests, fit::Reporter& report) {
    const int code = !tests.load ? kLoadAddress : !tests.entry ? kEntryAddress
                   : !tests.end  ? kCodeEnd     : 0;
    if (code != 0) report.error(code);
    return code == 0;
}

}  // namespace codefit
