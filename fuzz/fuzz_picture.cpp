#include "harness.hpp"

FIT_FUZZ_TARGET(fit_fuzz::check_picture)
