// The desktop thread: everything that talks to the user's desktop over D-Bus (connecting to the
// buses, notifications, feedbackd, logind's inhibitor, the screen saver's state, the program's own
// bus object) runs here, so that the UI thread never waits on a bus or a server that hangs. Jobs
// run in the order they were posted; what they learn reaches windows as posted messages.
#pragma once

#ifndef MV_PLATFORM_INTERNAL
#error "platform-internal header: outside platform/, include only platform/include/ (see platform/README.md)"
#endif

#include <functional>

typedef struct _GMainContext GMainContext;
typedef struct _GCancellable GCancellable;

// Queues `job` for the desktop thread (started on first use).
void MvDesktopPost(std::function<void()> job);
// Waits until every job posted before has run, at most `timeoutMs`; true when they all have.
bool MvDesktopDrain(int timeoutMs);
// The thread's main context: exported objects, name owning and signal subscriptions made by a
// job deliver their callbacks on the desktop thread through it.
GMainContext* MvDesktopContext();
// Cancelled when the platform shuts down: every blocking bus call of a job takes it, so that a
// hung bus cannot hold the program's end.
GCancellable* MvDesktopCancellable();
// Lets queued jobs run for at most `graceMs`, cancels what still waits on a bus and ends the
// thread (platform shutdown).
void MvDesktopShutdown(int graceMs);
