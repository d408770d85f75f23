#pragma once

// Glue between the portable error table and the platform's error numbers.
// Only the OS layer includes this.
namespace STI_OS {
namespace internal {

// The table is keyed by Windows Sockets numbers. Sets tableNumber to the row whose meaning
// matches the platform error err; false when the platform error has no such row.
bool ToTableNumber(int err, int& tableNumber);

} // namespace internal
} // namespace STI_OS
