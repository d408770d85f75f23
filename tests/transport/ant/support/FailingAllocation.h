#pragma once
// Makes the next nothrow allocations of the test program fail, so that the paths the core
// takes when memory is out can be tested. The test program's nothrow operator new is replaced
// for this; it behaves as the standard one until asked.

// The next count allocations through new (std::nothrow) give null.
void FailNextNothrowAllocations(int count);
