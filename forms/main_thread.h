// Hand-over of work to the main thread: any thread posts a closure; the main thread runs the
// closures in the order they were posted, from its message loop or when it drains the queue
// itself, taking turns with the thread's other messages. Posting never waits, so no thread ever
// blocks on the main thread.
#pragma once
#include <functional>

namespace forms {

// The thread that initialised the program (static initialisation runs on it).
bool IsMainThread();

// Queues fn for the main thread. From the main thread too it is queued, behind what is there.
void PostToMainThread(std::function<void()> fn);

// Main thread only: runs the closures queued when it is called, oldest first; those posted
// meanwhile wait for their own wake-up, behind the messages that came before them.
// Re-entrant: a closure may drain again; the order stays the order of posting.
void DrainMainThread();

// Main thread only: true while a queued closure runs. Such a closure is itself an update in its
// place in the queue, so it must not drain the closures queued after it ahead of its own work.
bool RunningQueuedWork();

// Main thread only: makes the window that wakes the message loop for posted closures.
void PrepareMainThread();

// Main thread only: dispatches one waiting input or paint message and one due timer, which the
// system makes only when no posted message waits.
void LetLowPriorityMessagesThrough();

// Main thread only: a mark posted behind the messages queued now. Reached once it has been
// dispatched, so a loop that pumps until then leaves what came later for the next turn; without
// the queue's window it is never reached.
class QueueMark {
public:
    QueueMark();
    bool Reached() const;

private:
    unsigned long id = 0;
};

}  // namespace forms
