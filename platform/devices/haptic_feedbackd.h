// Haptic feedback through feedbackd (org.sigxcpu.Feedback on the session bus), the daemon that
// drives the motor on Linux phones according to the user's feedback profile.
#pragma once

#ifndef MV_PLATFORM_INTERNAL
#error "platform-internal header: outside platform/, include only platform/include/ (see platform/README.md)"
#endif

// Asks feedbackd for one "button-pressed" event; false when there is no session bus or no
// feedbackd on it (the caller then drives a motor itself). On the desktop thread only.
bool MvFeedbackdTrigger();
