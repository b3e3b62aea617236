// The runner's rectangle as it looks with each frame: the background under it and the frame on
// top, composed once and kept, so that an animation tick is one copy to the window instead of a
// background, a PNG and a composition.
#pragma once

#include "platform/windows.h"

class CRunnerLayers {
public:
    static constexpr int kFrames = 9;

    CRunnerLayers() = default;
    ~CRunnerLayers();
    CRunnerLayers(const CRunnerLayers&) = delete;
    CRunnerLayers& operator=(const CRunnerLayers&) = delete;

    // A kept layer of `frame` covering exactly `rect`; null when there is none.
    HDC Layer(int frame, const RECT& rect) const;
    // A new black layer of `frame` (replacing a kept one): a memory DC compatible with `hdc`,
    // with a bitmap of rect's size whose origin is moved so that drawing uses the view's own
    // coordinates. Null when it cannot be made.
    HDC Make(HDC hdc, int frame, const RECT& rect);
    // Drops every layer (images, language or layout changed).
    void Forget();

private:
    struct KeptLayer {
        HDC hDC = nullptr;
        HBITMAP hBitmap = nullptr;
        HGDIOBJ hOldBitmap = nullptr;
        RECT rect = {0, 0, 0, 0};
    };
    static void Free(KeptLayer* layer);

    KeptLayer m_Layers[kFrames];
};
