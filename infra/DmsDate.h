#pragma once
// CdmsDate: a calendar date with the fixed text form day.month.year ("7.3.2005"), as the update
// check stores it. Every constructor validates; an invalid date throws CdmsDate::Error.

#include <cstdint>

class CdmsDate {
public:
    struct Error {};

    CdmsDate(int day, int month, int year);
    // Day, one separator, month, one separator, year; the separators are not checked.
    explicit CdmsDate(const char* text);
    virtual ~CdmsDate() = default;

    virtual bool IsValid() const;

    // The text form, kept in the object until the next Format.
    const char* Format();

    bool operator<(const CdmsDate& other) const;

    int Day() const { return m_day; }
    int Month() const { return m_month; }
    int Year() const { return m_year; }

private:
    void Validate() const;

    std::int8_t m_day;
    std::int8_t m_month;
    std::int32_t m_year;
    char m_text[32];
};
