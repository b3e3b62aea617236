// The headless display: nothing is shown; the framebuffer is only read back (pixels, PNG files).
// The message loop waits on the platform's condition variable.
#include "platform/core/core_state.h"

namespace mv {

namespace {

class HeadlessDisplay : public DisplayBackend {
public:
    bool Init() override { return true; }
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
