// Settings for one codefit target and a direct call of its converter.
#pragma once

#include "codefit/types.hpp"
#include "support/converter_run.hpp"

namespace codefit_test {

inline codefit::State state_for(int type, std::uint16_t reloc, std::uint16_t branch) {
    codefit::State s;
    s.type_number = type;
    s.load_address = reloc;
    s.entry_address = branch;
    return s;
}

template <typename Conv>
fit_test::ConversionResult run_codefit(Conv conv, const codefit::State& state,
                                       const fit_test::Bytes& code) {
    return fit_test::convert_with(conv, state, code, codefit::kCapacities.out, fit::codefit_errors);
}

}  // namespace codefit_test
