// Tables whose rows are numbered from 1 in order by a field `type_number`, so that a
// number names its row without a search.
#pragma once

namespace fit {

template <typename Rows>
constexpr bool numbered_in_order(const Rows& rows) {
    int number = 0;
    for (const auto& row : rows)
        if (row.type_number != ++number) return false;
    return true;
}

// The row numbered `number`, or none.
template <typename Rows>
constexpr const typename Rows::value_type* numbered_row(const Rows& rows, int number) {
    if (number < 1 || number > static_cast<int>(rows.size())) return nullptr;
    return &rows[static_cast<typename Rows::size_type>(number - 1)];
}

// Runs the converter of the row numbered `number` on the arguments; 1 when there is no
// such row (the option parsers always choose one).
template <typename Rows, typename... Args>
int convert_by_row(const Rows& rows, int number, Args&... args) {
    const auto* row = numbered_row(rows, number);
    return row != nullptr ? row->convert(args...) : 1;
}

}  // namespace fit
