// The headless display: nothing is shown; the framebuffer is only read back (pixels, PNG files).
// The message loop waits on the platform's condition variable. MOVIMETRA_SCALE sets the scale of
// its pixels (1 unless set: 2 draws the 480x800 screen into 960x1600 device pixels).
#include <cstdio>
#include <cstdlib>

#include "platform/core/core_state.h"
#include "platform/core/mv_internal.h"

namespace mv {

namespace {

// MOVIMETRA_SCALE: a factor from 1 to 8 (decimals allowed); 1 when unset or unreadable.
double ScaleSetting() {
    const char* setting = std::getenv("MOVIMETRA_SCALE");
    if (setting == nullptr || setting[0] == '\0') return 1.0;
    char* end = nullptr;
    const double scale = std::strtod(setting, &end);
    if (end == setting || *end != '\0' || !(scale >= 1.0 && scale <= 8.0)) {
        std::fprintf(stderr, "movimetra: MOVIMETRA_SCALE \"%s\" is not a factor from 1 to 8\n", setting);
        return 1.0;
    }
    return scale;
}

class HeadlessDisplay : public DisplayBackend {
public:
    bool Init() override {
        MvSetDeviceScale(ScaleSetting());
        return true;
    }
    void Shutdown() override {}
    void PollEvents() override {}
    void WaitEvents(int64_t) override {}
    void Wake() override {}
    int64_t Present() override { return -1; }
    void Raise() override {}
    bool WaitsItself() const override { return false; }
};

}  // namespace

std::unique_ptr<DisplayBackend> CreateHeadlessDisplay() {
    return std::make_unique<HeadlessDisplay>();
}

}  // namespace mv
