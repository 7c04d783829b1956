// Tables whose rows are numbered by their place, from 1, so that a number names its row
// without a search and a new row needs no number of its own.
#pragma once

#include <string_view>

namespace fit {

// The number of a row of `rows`.
template <typename Rows>
constexpr int row_number(const Rows& rows, const typename Rows::value_type& row) {
    return static_cast<int>(&row - rows.data()) + 1;
}

// The row numbered `number`, or none.
template <typename Rows>
constexpr const typename Rows::value_type* numbered_row(const Rows& rows, int number) {
    if (number < 1 || number > static_cast<int>(rows.size())) return nullptr;
    return &rows[static_cast<typename Rows::size_type>(number - 1)];
}

// True when the row numbered `number` is named `name`: ties a number the code names
// (an enumerator) to its row.
template <typename Rows>
constexpr bool numbers(const Rows& rows, int number, std::string_view name) {
    const auto* row = numbered_row(rows, number);
    return row != nullptr && row->name == name;
}

// Runs the converter of the row numbered `number` on the arguments; 1 when there is no
// such row (the option parsers always choose one).
template <typename Rows, typename... Args>
int convert_by_row(const Rows& rows, int number, Args&... args) {
    const auto* row = numbered_row(rows, number);
    return row != nullptr ? row->convert(args...) : 1;
}

}  // namespace fit
