// The session bus, shared by every feature of the program that talks to the user's desktop
// (haptics now; notifications and the screen saver's state use it the same way). One connection,
// made on first use, to the bus the environment names or the user's bus socket; never a bus
// started for us ("autolaunch"), which would outlive the program.
#pragma once

#ifndef MV_PLATFORM_INTERNAL
#error "platform-internal header: outside platform/, include only platform/include/ (see platform/README.md)"
#endif

typedef struct _GDBusConnection GDBusConnection;

// A new reference to the shared connection (g_object_unref it), or null without a session bus;
// that is said once on stderr, naming `feature`. A connection that closed, or a bus address
// that changed, is connected afresh. Only jobs on the desktop thread call it: connecting waits on
// the bus.
GDBusConnection* MvSessionBus(const char* feature);
