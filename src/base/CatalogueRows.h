#pragma once
// The catalogue's tables are arrays of {id, text} rows indexed by the id.

#include <cstddef>

namespace vorlan {

// Every row sits at its id's place and has a text; a forgotten row
// value-initialises to id 0 with no text and fails the check.
template <class Rows>
constexpr bool RowsFollowIds(const Rows& rows) {
    for (size_t i = 0; i < rows.size(); ++i)
        if (static_cast<size_t>(rows[i].id) != i || !rows[i].text || !*rows[i].text) return false;
    return true;
}

}  // namespace vorlan
