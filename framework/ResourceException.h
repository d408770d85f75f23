#pragma once
// CResourceException: a resource the program needs (a template, a string, a bitmap) is missing
// or could not be loaded.

#include <exception>

class CResourceException : public std::exception {
public:
    const char* what() const noexcept override { return "resource not found"; }
};
