#pragma once
// CMemoryException: memory could not be allocated.

#include <exception>

class CMemoryException : public std::exception {
public:
    const char* what() const noexcept override { return "out of memory"; }
};
