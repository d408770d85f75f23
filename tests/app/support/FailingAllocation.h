#pragma once
// Makes one allocation of the calling thread fail, so that a test can walk a piece of code
// through every allocation it makes and check what out-of-memory leaves behind. The test
// program's operator new is replaced for this; it behaves as the standard one until asked, and
// on other threads always.

namespace coretest {

// The allocation `count` allocations from now on this thread (0: the next) throws
// std::bad_alloc (a nothrow one gives null), once; -1 turns it off.
void FailAllocationAfter(long count);
// The armed failure has happened since it was armed.
bool AllocationFailed();

} // namespace coretest
