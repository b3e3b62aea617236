// Where the 480x800 frame sits in a window of any size: scaled by one factor (the aspect kept),
// as large as fits, centred; and the way back from a window pixel to a screen pixel.
#pragma once

#ifndef MV_PLATFORM_INTERNAL
#error "platform-internal header: outside platform/, include only platform/include/ (see platform/README.md)"
#endif

struct MvFrameFit {
    int x = 0;  // the frame's rectangle in window pixels
    int y = 0;
    int width = 0;
    int height = 0;
    bool integral = true;  // scaled by a whole factor: pixels stay sharp without filtering
};

// The frame's place in a window of windowWidth x windowHeight pixels.
MvFrameFit MvFitFrame(int windowWidth, int windowHeight);
// The screen pixel under the centre of window pixel (px, py); false when that point lies outside
// the frame (the bands beside or above it). *x and *y are set either way, limited to the screen.
bool MvFrameFromWindow(const MvFrameFit& fit, double px, double py, int* x, int* y);
