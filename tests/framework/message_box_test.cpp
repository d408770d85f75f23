#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/MessageBox.h"

namespace {

struct SRecorded {
    std::vector<std::string> texts;
    std::vector<UINT> types;
};

int Record(const char* text, UINT type, void* context)
{
    auto* recorded = static_cast<SRecorded*>(context);
    recorded->texts.push_back(text);
    recorded->types.push_back(type);
    return IDCANCEL;
}

} // namespace

TEST(MessageBox, HookTakesTextsAndStringEntriesInsteadOfAWindow)
{
    SRecorded recorded;
    SetMessageBoxHook(&Record, &recorded);
    EXPECT_EQ(AfxMessageBox("disk full", MB_ICONSTOP), IDCANCEL);
    // An entry the program does not have shows nothing at all, not an empty box.
    EXPECT_EQ(AfxMessageBox(65000u, MB_OK), 0);
    SetMessageBoxHook(nullptr, nullptr);
    ASSERT_EQ(recorded.texts.size(), 1u);
    EXPECT_EQ(recorded.texts[0], "disk full");
    EXPECT_EQ(recorded.types[0], static_cast<UINT>(MB_ICONSTOP));
}
