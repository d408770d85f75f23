#include "ui/portable/ColumnOrder.h"

#include <algorithm>

bool IsColumnPermutation(const std::vector<int>& order, int count)
{
    if (static_cast<int>(order.size()) != count)
        return false;
    std::vector<bool> seen(order.size(), false);
    for (int column : order) {
        if (column < 0 || column >= count || seen[static_cast<size_t>(column)])
            return false;
        seen[static_cast<size_t>(column)] = true;
    }
    return true;
}

std::vector<int> OrderAfterToggle(const std::vector<int>& order, const std::vector<bool>& visible, int column)
{
    const int count = static_cast<int>(order.size());
    if (!IsColumnPermutation(order, count) || static_cast<int>(visible.size()) != count || column < 0 ||
        column >= count)
        return order;
    std::vector<int> moved = order;
    moved.erase(std::find(moved.begin(), moved.end(), column));
    if (visible[static_cast<size_t>(column)]) {
        const int shown = static_cast<int>(std::count(visible.begin(), visible.end(), true));
        const int at = std::clamp(std::min(shown - 1, column), 0, static_cast<int>(moved.size()));
        moved.insert(moved.begin() + at, column);
    } else {
        moved.push_back(column);
    }
    std::vector<int> result, hidden;
    for (int c : moved)
        (visible[static_cast<size_t>(c)] ? result : hidden).push_back(c);
    result.insert(result.end(), hidden.rbegin(), hidden.rend());
    return result;
}

std::vector<int> OrderWithHiddenLast(const std::vector<int>& order, const std::vector<bool>& visible)
{
    if (!IsColumnPermutation(order, static_cast<int>(visible.size())))
        return order;
    std::vector<int> result = order;
    std::stable_partition(result.begin(), result.end(), [&](int c) { return visible[static_cast<size_t>(c)]; });
    return result;
}
