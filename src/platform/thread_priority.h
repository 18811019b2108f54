#pragma once

namespace r7n {

// Asks the system to run the calling thread ahead of ordinary ones whenever
// it wakes: a thread that reads a receiver every few hundred microseconds
// must not wait behind a busy terminal or a compiler for longer than the
// receive FIFO lasts. It sleeps almost all the time, so it takes little from
// the rest. False when the system refuses (on Linux without the right to
// real-time scheduling); the thread then runs as an ordinary one.
bool RaiseThreadPriority();

}  // namespace r7n
