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

// The row named `name`, as the table spells it, or none.
template <typename Rows>
constexpr const typename Rows::value_type* row_spelled(const Rows& rows, std::string_view name) {
    for (const auto& row : rows)
        if (row.name == name) return &row;
    return nullptr;
}

// The number of the row named `name`, as the table spells it, or 0: how code that
// picks a type by name finds its number.
template <typename Rows>
constexpr int number_named(const Rows& rows, std::string_view name) {
    const auto* row = row_spelled(rows, name);
    return row != nullptr ? row_number(rows, *row) : 0;
}

// Runs the converter of the row numbered `number` on the arguments; 1 when there is no
// such row (the option parsers always choose one).
template <typename Rows, typename... Args>
int convert_by_row(const Rows& rows, int number, Args&... args) {
    const auto* row = numbered_row(rows, number);
    return row != nullptr ? row->convert(args...) : 1;
}

}  // namespace fit
