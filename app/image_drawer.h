// Decodes a PNG from the image folder and draws it at its natural size, alpha respected.
// Asked for by UM_SET_IMAGE_POS, UM_DRAW_IMAGE and UM_RELEASE_IMAGE, always in that order.
#pragma once

#include <string>

#include "app/app_path.h"
#include "platform/windows.h"

class CImageDrawer {
public:
    CImageDrawer();
    ~CImageDrawer();
    CImageDrawer(const CImageDrawer&) = delete;
    CImageDrawer& operator=(const CImageDrawer&) = delete;

    // UM_SET_IMAGE_POS: the top-left corner of the next image.
    void SetPosition(int x, int y);
    // UM_DRAW_IMAGE: decodes "<image folder><fileName>" and draws it; nothing when the file is
    // missing or unreadable.
    void Draw(HDC hdc, const wchar_t* fileName);
    // UM_RELEASE_IMAGE (and WM_DESTROY): releases the factory and the image.
    void Release();

    int X() const { return m_nX; }
    int Y() const { return m_nY; }
    // True while the imaging factory or a decoded image is held (tests).
    static bool HoldsObjects();

private:
    // Opens "<dir><fileName>" as the current image; false when it cannot be read.
    bool Open(const std::wstring& dir, const wchar_t* fileName);

    int m_nX = 0;
    int m_nY = 0;
    CAppPath* m_pAppPath = nullptr;
    std::wstring m_sImageDir;  // empty until the first draw
};
