#include "infra/DmsDate.h"

#include <cstdio>

namespace {

const int kDaysPerMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Reads up to maxDigits decimal digits; a field without digits is 0.
int ReadNumber(const char*& p, int maxDigits)
{
    int value = 0;
    for (int i = 0; i < maxDigits && *p >= '0' && *p <= '9'; ++i, ++p)
        value = value * 10 + (*p - '0');
    return value;
}

void SkipOne(const char*& p)
{
    if (*p)
        ++p;
}

} // namespace

CdmsDate::CdmsDate(int day, int month, int year)
    : m_day(static_cast<std::int8_t>(day)), m_month(static_cast<std::int8_t>(month)), m_year(year), m_text()
{
    // Values that do not survive the narrowing are invalid, not some other date.
    if (day != m_day || month != m_month)
        throw Error();
    Validate();
}

CdmsDate::CdmsDate(const char* text) : m_day(0), m_month(0), m_year(0), m_text()
{
    const char* p = text ? text : "";
    m_day = static_cast<std::int8_t>(ReadNumber(p, 2));
    SkipOne(p);
    m_month = static_cast<std::int8_t>(ReadNumber(p, 2));
    SkipOne(p);
    m_year = ReadNumber(p, 4);
    Validate();
}

bool CdmsDate::IsValid() const
{
    if (m_year <= 0 || m_month < 1 || m_month > 12 || m_day < 1)
        return false;
    int days = kDaysPerMonth[m_month - 1];
    if (m_month == 2 && IsLeapYear(m_year))
        days = 29;
    return m_day <= days;
}

const char* CdmsDate::Format()
{
    std::snprintf(m_text, sizeof m_text, "%d.%d.%d", m_day, m_month, static_cast<int>(m_year));
    return m_text;
}

bool CdmsDate::operator<(const CdmsDate& other) const
{
    if (m_year != other.m_year)
        return m_year < other.m_year;
    if (m_month != other.m_month)
        return m_month < other.m_month;
    return m_day < other.m_day;
}

void CdmsDate::Validate() const
{
    // Not the virtual IsValid: a derived class is not constructed yet.
    if (!CdmsDate::IsValid())
        throw Error();
}
