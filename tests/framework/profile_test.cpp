#include <gtest/gtest.h>

#include <shlwapi.h>

#include "framework/Profile.h"
#include "framework/RegistryHandle.h"

namespace {

// A registry key of its own for each test, removed again at the end.
class ProfileTest : public ::testing::Test {
protected:
    ProfileTest()
    {
        m_key.Format("TarnixTest %lu %s", GetCurrentProcessId(),
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    ~ProfileTest() override
    {
        CString path("Software\\");
        path += m_key;
        SHDeleteKeyA(HKEY_CURRENT_USER, path);
    }

    CString m_key;
};

} // namespace

TEST_F(ProfileTest, WritesAndReadsBackUnderTheApplicationKey)
{
    CAppProfile profile(m_key, "Tarnix");
    EXPECT_EQ("fallback", profile.GetProfileString("Tarnix\\Update\\", "lastShowUpdateDlg", "fallback"));
    ASSERT_TRUE(profile.WriteProfileString("Tarnix\\Update\\", "lastShowUpdateDlg", "7.3.2005"));
    EXPECT_EQ("7.3.2005", profile.GetProfileString("Tarnix\\Update", "lastShowUpdateDlg"));

    CRegistryHandle key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, "Software\\" + m_key + "\\Tarnix\\Tarnix\\Update", KEY_READ));
    CString stored;
    EXPECT_TRUE(key.ReadString("lastShowUpdateDlg", stored));
    EXPECT_EQ("7.3.2005", stored);

    ASSERT_TRUE(profile.WriteProfileString("Tarnix\\Update\\", "lastShowUpdateDlg", nullptr));
    EXPECT_EQ("", profile.GetProfileString("Tarnix\\Update\\", "lastShowUpdateDlg"));
}

TEST_F(ProfileTest, ValuesOfAnotherKindGiveTheDefault)
{
    CAppProfile profile(m_key, "Tarnix");
    CRegistryHandle key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, profile.SectionPath("Section")));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteDword("number", 5));
    EXPECT_EQ("default", profile.GetProfileString("Section", "number", "default"));
}

TEST(RegistryHandle, ReadsTextsOfAnyLengthWholeAndTerminated)
{
    CString path;
    path.Format("Software\\TarnixTest %lu handle", GetCurrentProcessId());
    {
        CRegistryHandle key;
        ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, path));
        const CString longText('t', 5000);
        ASSERT_EQ(ERROR_SUCCESS, key.WriteString("long", longText));
        CString text;
        ASSERT_TRUE(key.ReadString("long", text));
        EXPECT_EQ(longText, text);
        EXPECT_FALSE(key.ReadString("long", text, 100)) << "longer than the cap is unreadable";

        // Stored without its terminating NUL: the read must not run past the data.
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(key.Get(), "bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("abcXYZ"), 3));
        ASSERT_TRUE(key.ReadString("bare", text));
        EXPECT_EQ("abc", text);

        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(key.Get(), "wide", 0, REG_QWORD, reinterpret_cast<const BYTE*>("12345678"), 8));
        DWORD number = 0;
        EXPECT_FALSE(key.ReadDword("wide", number)) << "an 8-byte number is not a DWORD";
        EXPECT_FALSE(key.ReadString("wide", text));
        unsigned char small[4];
        DWORD read = 0;
        EXPECT_FALSE(key.ReadBinary("long", small, sizeof small, read));
    }
    SHDeleteKeyA(HKEY_CURRENT_USER, path);
}
