#pragma once

// A named event that another process waits on: the HotSync notifier makes
// it, the program only sets it. Here it is a FIFO
// <runtime folder>/Larkwell/events/<name> (folders of mode 0700): the
// waiting process creates it, keeps it open for reading (and writing, so
// that it never sees an end of file) and polls it; setting the event writes
// one byte to it. Opening it for writing without blocking fails when nobody
// waits on it, so a missing or abandoned event is simply not set.

namespace shell {

// Opens the event `name` and sets it; false when it does not exist or
// nobody waits on it.
bool SetNamedEvent(const char *name);

} // namespace shell
