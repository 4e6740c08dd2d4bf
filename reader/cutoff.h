#pragma once

#include <chrono>

namespace quorvane {

// Runs work that may have to be stopped half-way: a third-party parser whose time
// grows with the square of the input's nesting, in loops that call nothing we could
// check a clock in. The work runs on the calling thread; when it outlasts its time
// limit (in processor time), a signal to that thread cuts it off at once, wherever
// it is, and runWithin returns false.
//
// So the work must be abandonable at any instruction: it may only change memory
// that the caller throws away when the run is cut off, its frames must need no
// clean-up, and it may call no function that takes a lock (malloc is one) except
// between holdCutoff and releaseCutoff. Linux only: the timer signals one thread.
bool runWithin(std::chrono::milliseconds limit, void (*work)(void*), void* context);

// Called by the work: ends the run now, as a time-out would.
[[noreturn]] void cutOff();

// Between these two calls on the working thread a time-out waits; releaseCutoff
// then cuts the work off. They do not nest.
void holdCutoff();
void releaseCutoff();

} // namespace quorvane
