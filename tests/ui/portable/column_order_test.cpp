#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "ui/portable/ColumnOrder.h"

TEST(ColumnOrder, HiddenColumnsStayAtTheEndAndShownOnesComeBackNearTheirPlace)
{
    std::vector<int> order = {0, 1, 2, 3, 4};
    std::vector<bool> visible(5, true);
    auto toggle = [&](int column) {
        visible[static_cast<size_t>(column)] = !visible[static_cast<size_t>(column)];
        order = OrderAfterToggle(order, visible, column);
        return order;
    };
    EXPECT_EQ(toggle(1), (std::vector<int>{0, 2, 3, 4, 1}));
    EXPECT_EQ(toggle(3), (std::vector<int>{0, 2, 4, 3, 1}));
    // A shown column lands at min(visible - 1, column).
    EXPECT_EQ(toggle(3), (std::vector<int>{0, 2, 4, 3, 1}));
    EXPECT_EQ(toggle(1), (std::vector<int>{0, 1, 2, 4, 3}));

    // A column dragged among the hidden ones goes back in front of them.
    EXPECT_EQ(OrderWithHiddenLast({0, 3, 1, 2}, {true, false, true, true}), (std::vector<int>{0, 3, 2, 1}));
    // Broken input is handed back, never made worse.
    EXPECT_EQ(OrderAfterToggle({0, 0, 1}, {true, true, true}, 1), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(OrderAfterToggle({0, 1}, {true, true}, 5), (std::vector<int>{0, 1}));
    EXPECT_FALSE(IsColumnPermutation({0, 2}, 2));
}
