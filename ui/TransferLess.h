#pragma once
// The order of the transfer list's rows when the user sorts by a column: file name (then the
// other party's address), total size, bytes transferred, remaining seconds, progress, status, or
// the other party's address (then the file name). Texts compare without case.

class CTransferingFile;

class TransferLess {
public:
    TransferLess(int column, bool ascending) : m_column(column), m_ascending(ascending) {}

    bool operator()(const CTransferingFile* a, const CTransferingFile* b) const;

    // Below 0 when a comes first in ascending order, 0 when the column cannot tell them apart.
    static int Compare(int column, const CTransferingFile& a, const CTransferingFile& b);

private:
    int m_column;
    bool m_ascending;
};
