#include "platform/display/display_fit.h"

#include <algorithm>
#include <cmath>

#include "platform/mv_platform.h"

MvFrameFit MvFitFrame(int windowWidth, int windowHeight) {
    MvFrameFit fit;
    if (windowWidth <= 0 || windowHeight <= 0) {
        fit.width = MV_SCREEN_WIDTH;
        fit.height = MV_SCREEN_HEIGHT;
        return fit;
    }
    // Compared as cross products, so that no rounding picks the wrong side.
    const bool widthLimits = static_cast<long long>(windowWidth) * MV_SCREEN_HEIGHT <=
                             static_cast<long long>(windowHeight) * MV_SCREEN_WIDTH;
    if (widthLimits) {
        fit.width = windowWidth;
        fit.height = static_cast<int>(
            std::lround(static_cast<double>(windowWidth) * MV_SCREEN_HEIGHT / MV_SCREEN_WIDTH));
    } else {
        fit.height = windowHeight;
        fit.width = static_cast<int>(
            std::lround(static_cast<double>(windowHeight) * MV_SCREEN_WIDTH / MV_SCREEN_HEIGHT));
    }
    fit.width = std::max(fit.width, 1);
    fit.height = std::max(fit.height, 1);
    fit.x = (windowWidth - fit.width) / 2;
    fit.y = (windowHeight - fit.height) / 2;
    fit.integral = fit.width % MV_SCREEN_WIDTH == 0 && fit.height % MV_SCREEN_HEIGHT == 0 &&
                   fit.width / MV_SCREEN_WIDTH == fit.height / MV_SCREEN_HEIGHT;
    return fit;
}

bool MvFrameFromWindow(const MvFrameFit& fit, double px, double py, int* x, int* y) {
    const double fx = std::floor((px - fit.x) * MV_SCREEN_WIDTH / fit.width);
    const double fy = std::floor((py - fit.y) * MV_SCREEN_HEIGHT / fit.height);
    const bool inside = fx >= 0 && fx < MV_SCREEN_WIDTH && fy >= 0 && fy < MV_SCREEN_HEIGHT;
    *x = static_cast<int>(std::clamp(fx, 0.0, MV_SCREEN_WIDTH - 1.0));
    *y = static_cast<int>(std::clamp(fy, 0.0, MV_SCREEN_HEIGHT - 1.0));
    return inside;
}
