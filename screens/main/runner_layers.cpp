#include "screens/main/runner_layers.h"

CRunnerLayers::~CRunnerLayers() {
    Forget();
}

HDC CRunnerLayers::Layer(int frame, const RECT& rect) const {
    if (frame < 0 || frame >= kFrames) return nullptr;
    const KeptLayer& layer = m_Layers[frame];
    if (!layer.hDC || layer.rect.left != rect.left || layer.rect.top != rect.top ||
        layer.rect.right != rect.right || layer.rect.bottom != rect.bottom)
        return nullptr;
    return layer.hDC;
}

HDC CRunnerLayers::Make(HDC hdc, int frame, const RECT& rect) {
    if (frame < 0 || frame >= kFrames || rect.right <= rect.left || rect.bottom <= rect.top) return nullptr;
    KeptLayer& layer = m_Layers[frame];
    Free(&layer);
    layer.hDC = CreateCompatibleDC(hdc);
    layer.hBitmap = CreateCompatibleBitmap(hdc, rect.right - rect.left, rect.bottom - rect.top);
    if (!layer.hDC || !layer.hBitmap) {
        Free(&layer);
        return nullptr;
    }
    layer.hOldBitmap = SelectObject(layer.hDC, layer.hBitmap);
    SetViewportOrgEx(layer.hDC, -rect.left, -rect.top, nullptr);
    layer.rect = rect;
    return layer.hDC;
}

void CRunnerLayers::Forget() {
    for (KeptLayer& layer : m_Layers) Free(&layer);
}

void CRunnerLayers::Free(KeptLayer* layer) {
    if (layer->hDC) {
        if (layer->hOldBitmap) SelectObject(layer->hDC, layer->hOldBitmap);
        DeleteDC(layer->hDC);
    }
    if (layer->hBitmap) DeleteObject(layer->hBitmap);
    *layer = KeptLayer{};
}
