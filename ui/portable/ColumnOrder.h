#pragma once
// The transfer list's column order when columns are hidden and shown: hidden columns have no
// width and always stand at the end of the order. Portable.

#include <vector>

// The display order (order[position] = column) after `column` was hidden or shown: a hidden
// column moves to the end; a shown one to position min(visible columns - 1, column). Then the
// visible columns keep their order and the hidden ones follow in reverse order. `visible` gives
// each column's state after the change. An order that is not a permutation of the columns, or
// a column outside it, gives the order back unchanged.
std::vector<int> OrderAfterToggle(const std::vector<int>& order, const std::vector<bool>& visible, int column);

// The same order with the hidden columns moved behind the visible ones, each keeping its place
// among its kind (after a column was dragged among the hidden ones).
std::vector<int> OrderWithHiddenLast(const std::vector<int>& order, const std::vector<bool>& visible);

// True when `order` holds each of 0 .. count - 1 once.
bool IsColumnPermutation(const std::vector<int>& order, int count);
