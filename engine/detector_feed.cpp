#include "engine/detector_feed.h"

namespace {

constexpr uint32_t kIdleLimitMs = 15000;

}  // namespace

void CDetectorFeed::Start() {
    m_nIdleMs = 0;
    m_bIdleRestartArmed = true;
}

CDetectorFeed::Outcome CDetectorFeed::Feed(const AccelSample& sample, uint32_t intervalMs, bool resumed,
                                           int32_t shownSteps, StepInfo* info) {
    m_nIdleMs += intervalMs;
    if (resumed) {
        RequestRestart();
        m_nIdleMs = 0;
    }
    ProcessSample(&sample, static_cast<uint16_t>(intervalMs));
    GetStepInfo(info);

    Outcome outcome{};
    if (info->nStepCount != shownSteps) {
        outcome.bNewStep = true;
        m_nIdleMs = 0;
        m_bIdleRestartArmed = true;
    } else if (m_nIdleMs > kIdleLimitMs) {
        // No step for a while: the detector starts afresh.
        m_nIdleMs = 0;
        if (m_bIdleRestartArmed) {
            m_bIdleRestartArmed = false;
            RequestRestart();
            outcome.bIdleRestart = true;
        }
    }
    return outcome;
}
