#pragma once
// CTAFEmail: one tell-a-friend invitation - the sender, the mail's subject and body, when it was
// made, and the address-book entries it may go to (only the chosen ones are mailed).

#include <cstdint>
#include <vector>

#include "framework/Object.h"
#include "framework/String.h"
#include "framework/Time.h"

class CSettingsManager;

struct STAFRecipient {
    CString m_email;
    CString m_name;
    bool m_chosen = false;
};

class CTAFEmail : public CObject {
    DECLARE_DYNAMIC(CTAFEmail)

public:
    // An invitation older than this is dropped instead of sent.
    static constexpr std::int64_t MAX_AGE_DAYS = 7;

    // Sender from the MyName and MyEmail settings, the default subject and body from the string
    // table, made now, no recipients. The first form reads the process's settings.
    CTAFEmail();
    explicit CTAFEmail(const CSettingsManager* settings);
    CTAFEmail(const CTAFEmail&) = default;
    CTAFEmail& operator=(const CTAFEmail&) = default;

    // Whole days from the moment the object was made to `now`.
    std::int64_t AgeInDays(const CTime& now) const;

    CString m_senderName;
    CString m_senderEmail;
    CString m_subject;
    CString m_body;
    CTime m_time;
    std::vector<STAFRecipient> m_recipients; // in address-book order
};
