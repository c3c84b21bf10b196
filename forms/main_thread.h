// Hand-over of work to the main thread: any thread posts a closure; the main thread runs the
// closures in the order they were posted, from its message loop or when it drains the queue
// itself. Posting never waits, so no thread ever blocks on the main thread.
#pragma once
#include <functional>

namespace forms {

// The thread that initialised the program (static initialisation runs on it).
bool IsMainThread();

// Queues fn for the main thread. From the main thread too it is queued, behind what is there.
void PostToMainThread(std::function<void()> fn);

// Main thread only: runs every queued closure, oldest first, including those posted meanwhile.
// Re-entrant: a closure may drain again; the order stays the order of posting.
void DrainMainThread();

// Main thread only: true while a queued closure runs. Such a closure is itself an update in its
// place in the queue, so it must not drain the closures queued after it ahead of its own work.
bool RunningQueuedWork();

// Main thread only: makes the window that wakes the message loop for posted closures.
void PrepareMainThread();

}  // namespace forms
