// picfit's message table, the names of its codes and its exit statuses.
#pragma once

#include <array>
#include <string_view>

#include "common/reporter.hpp"

namespace picfit {

enum Error : int {
    // 1 is not used: the option parser refuses a command line with its own lines.
    kLoading = 2,
    kSaving = 3,
    kMemory = 4,
    kCannotOpenSource = 5,
    kEmptySource = 6,
    kBadFormat = 7,
    kBadSize = 8,
    kEncoding = 9,
    kCannotCreateTarget = 10,
    kShortWrite = 11,
    kSameName = 12,
};

// Unlike the other converters', picfit's status is not the first code reported but
// the step that failed.
enum ExitStatus : int {
    kExitDone = 0,
    kExitUsage = 1,  // the options were refused, or the source is the dump
    kExitLoading = kLoading,
    kExitSaving = kSaving,  // the target could not be written: no file replaced
    kExitAskedFile = 4,     // --dump=FILE or --preview=FILE could not be written: no file
                            // replaced but the default dump
    kExitEncoding = kEncoding,
};

namespace detail {
inline constexpr std::array<std::string_view, 13> messages{
    "",
    "",
    fit::text::when_loading,
    fit::text::when_saving,
    "Memory problem\n",
    fit::text::cannot_open_source,
    fit::text::when_loading,
    "Bad PCX source format.\n",
    "Bad image size.\n",
    "Encoding problem.\n",
    // The target, not the source, is what could not be created.
    fit::text::cannot_save_target,
    fit::text::when_saving,
    fit::text::same_filename,
};
}  // namespace detail

}  // namespace picfit

namespace fit {
inline constexpr ErrorTable picfit_errors{picfit::detail::messages, "Error %i\n"};
}  // namespace fit
