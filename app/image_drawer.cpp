// The PNG drawing service. The imaging factory and the last decoded image are process-wide
// and null while idle; every draw opens its file anew (the imaging library keeps the decoded
// pixels while the file stays the same).
#include "app/image_drawer.h"

#include <cwchar>
#include <string>

namespace {
IImagingFactory* g_pImagingFactory = nullptr;
IImage* g_pImage = nullptr;

void ReleaseImagingObjects() {
    if (g_pImagingFactory) {
        g_pImagingFactory->Release();
        g_pImagingFactory = nullptr;
    }
    if (g_pImage) {
        g_pImage->Release();
        g_pImage = nullptr;
    }
}
}  // namespace

CImageDrawer::CImageDrawer() : m_pAppPath(new CAppPath) {}

CImageDrawer::~CImageDrawer() {
    delete m_pAppPath;
}

void CImageDrawer::SetPosition(int x, int y) {
    m_nX = x;
    m_nY = y;
}

void CImageDrawer::Draw(HDC hdc, const wchar_t* fileName) {
    if (!fileName) return;
    // A draw without the release of the one before would leak its objects: drop them first.
    if (HoldsObjects()) Release();
    CoInitializeEx(nullptr, 0);
    if (FAILED(CoCreateInstance(CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IImagingFactory,
                                (LPVOID*)&g_pImagingFactory)) ||
        !g_pImagingFactory) {
        g_pImagingFactory = nullptr;
        return;
    }

    // The image folder is looked up at the first draw and again only when a file is not found
    // in it (the folder beside the program came or went), not at every draw.
    if (m_sImageDir.empty()) m_sImageDir = m_pAppPath->GetImageDir();
    if (!Open(m_sImageDir, fileName)) {
        std::wstring dir = m_pAppPath->GetImageDir();
        if (dir == m_sImageDir) return;
        m_sImageDir = dir;
        if (!Open(m_sImageDir, fileName)) return;
    }
    ImageInfo info = {};
    g_pImage->GetImageInfo(&info);
    RECT dst = {m_nX, m_nY, m_nX + (LONG)info.Width, m_nY + (LONG)info.Height};
    g_pImage->Draw(hdc, &dst, nullptr);
}

bool CImageDrawer::Open(const std::wstring& dir, const wchar_t* fileName) {
    // "%s%s" into 260 units; a name that does not fit is not drawn rather than cut short.
    wchar_t path[MAX_PATH];
    if (dir.size() + wcslen(fileName) >= MAX_PATH) return false;
    swprintf(path, MAX_PATH, L"%ls%ls", dir.c_str(), fileName);
    if (FAILED(g_pImagingFactory->CreateImageFromFile(path, &g_pImage)) || !g_pImage) {
        g_pImage = nullptr;
        return false;
    }
    return true;
}

void CImageDrawer::Release() {
    ReleaseImagingObjects();
    CoUninitialize();
}

bool CImageDrawer::HoldsObjects() {
    return g_pImagingFactory != nullptr || g_pImage != nullptr;
}
