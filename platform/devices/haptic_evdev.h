// Haptics through a force-feedback input device (the motor of many Linux phones is one): a rumble
// effect is uploaded and played while the vibrator is on.
#pragma once

#ifndef MV_PLATFORM_INTERNAL
#error "platform-internal header: outside platform/, include only platform/include/ (see platform/README.md)"
#endif

#include <string>

class CEvdevRumble {
public:
    CEvdevRumble() = default;
    ~CEvdevRumble();
    CEvdevRumble(const CEvdevRumble&) = delete;
    CEvdevRumble& operator=(const CEvdevRumble&) = delete;

    // Finds the first event device under folder (e.g. /dev/input) that can rumble, uploads an
    // effect and starts it; false when no device can. maxMs bounds the effect if no stop comes.
    bool Start(const std::string& folder, int maxMs);
    // Stops the effect and lets the device go.
    void Stop();
    bool Playing() const { return m_nFd >= 0; }

private:
    int m_nFd = -1;
    int m_nEffect = -1;
};
