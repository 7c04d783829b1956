// Runs one datafit converter directly, with the buffer the program gives its type.
#pragma once

#include "datafit/types.hpp"
#include "support/converter_run.hpp"

namespace datafit_test {

inline datafit::State with_sizes(int type, long header, long record) {
    datafit::State s;
    s.type_number = type;
    s.headerSize.value = header;
    s.recordSize.value = record;
    return s;
}

inline fit_test::ConversionResult run(const datafit::State& state, const fit_test::Bytes& source) {
    return fit_test::convert_with(datafit::convert, state, source,
                                  datafit::capacities(state.type_number).out, fit::datafit_errors);
}

}  // namespace datafit_test
