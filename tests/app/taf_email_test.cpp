// A new tell-a-friend invitation and its age.

#include <gtest/gtest.h>

#include "app/SettingsManager.h"
#include "app/TAFEmail.h"
#include "support/LinkTestSupport.h"

TEST(TAFEmail, ANewOneCarriesTheUsersCurrentNameAndTheDefaultTexts)
{
    CSettingsManager* settings = CSettingsManager::Instance();
    ASSERT_NE(nullptr, settings);
    const CString name = settings->GetMyName();
    const CString email = settings->GetMyEmail();
    settings->SetMyName("Tess");
    settings->SetMyEmail("tess@x.test");
    const CTAFEmail mail;
    settings->SetMyName(name);
    settings->SetMyEmail(email);

    EXPECT_EQ("Tess", mail.m_senderName);
    EXPECT_EQ("tess@x.test", mail.m_senderEmail);
    EXPECT_EQ("The cool program Tarnix!", mail.m_subject);
    EXPECT_EQ(0, mail.m_body.Find("I have a cool program Tarnix! It helps me to download files from my friends"));
    EXPECT_TRUE(mail.m_recipients.empty());
    EXPECT_LE(CTime::GetCurrentTime().GetTime() - mail.m_time.GetTime(), 5);
}

TEST(TAFEmail, CountsItsAgeInWholeDaysAndCopiesWhole)
{
    CTAFEmail mail;
    mail.m_time = CTime(1000000);
    EXPECT_EQ(6, mail.AgeInDays(CTime(1000000 + 7 * 86400 - 1)));
    EXPECT_EQ(CTAFEmail::MAX_AGE_DAYS, mail.AgeInDays(CTime(1000000 + 7 * 86400)));
    mail.m_recipients.push_back({"a@x.test", "Ann", true});
    CTAFEmail copy = mail;
    copy.m_recipients[0].m_name = "Changed";
    EXPECT_EQ("Ann", mail.m_recipients[0].m_name);
    EXPECT_TRUE(copy.IsKindOf(RUNTIME_CLASS(CTAFEmail)));
}
