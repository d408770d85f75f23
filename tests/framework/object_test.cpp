#include <gtest/gtest.h>

#include <cstring>

#include "framework/Object.h"

namespace {

class CRecord : public CObject {
    DECLARE_DYNAMIC(CRecord)
};
IMPLEMENT_DYNAMIC(CRecord, CObject)

class CDownloadRecord : public CRecord {
    DECLARE_DYNAMIC(CDownloadRecord)
};
IMPLEMENT_DYNAMIC(CDownloadRecord, CRecord)

class COther : public CObject {
    DECLARE_DYNAMIC(COther)
};
IMPLEMENT_DYNAMIC(COther, CObject)

} // namespace

TEST(CObject, KnowsItsClassAndEveryBase)
{
    CDownloadRecord download;
    const CObject& object = download;
    EXPECT_STREQ("CDownloadRecord", object.GetRuntimeClass()->m_lpszClassName);
    EXPECT_EQ(static_cast<int>(sizeof(CDownloadRecord)), object.GetRuntimeClass()->m_nObjectSize);
    EXPECT_TRUE(object.IsKindOf(RUNTIME_CLASS(CDownloadRecord)));
    EXPECT_TRUE(object.IsKindOf(RUNTIME_CLASS(CRecord)));
    EXPECT_TRUE(object.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(object.IsKindOf(RUNTIME_CLASS(COther)));
    CRecord record;
    EXPECT_FALSE(record.IsKindOf(RUNTIME_CLASS(CDownloadRecord)));
}
