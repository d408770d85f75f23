#include "app/TAFEmail.h"

#include "app/SettingsManager.h"
#include "app/StringIds.h"

IMPLEMENT_DYNAMIC(CTAFEmail, CObject)

CTAFEmail::CTAFEmail() : CTAFEmail(CSettingsManager::Instance()) {}

CTAFEmail::CTAFEmail(const CSettingsManager* settings) : m_time(CTime::GetCurrentTime())
{
    if (settings) {
        m_senderName = settings->GetMyName();
        m_senderEmail = settings->GetMyEmail();
    }
    m_subject.LoadString(IDS_TAF_SUBJECT);
    m_body.LoadString(IDS_TAF_BODY);
}

std::int64_t CTAFEmail::AgeInDays(const CTime& now) const
{
    return GetDays(now - m_time);
}
