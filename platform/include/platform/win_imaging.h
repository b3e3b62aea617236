// COM and the imaging library subset: PNG decoding and drawing with alpha.
#pragma once

#include "platform/win_types.h"

#define COINIT_MULTITHREADED 0x0
#define CLSCTX_INPROC_SERVER 0x1

#define E_NOINTERFACE ((HRESULT)0x80004002)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110)
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154)

extern const CLSID CLSID_ImagingFactory;  // {327ABDA8-072B-11D3-9D7B-0000F81EF32E}
extern const IID IID_IImagingFactory;     // {327ABDA7-072B-11D3-9D7B-0000F81EF32E}

struct ImageInfo {
    GUID RawDataFormat;
    int PixelFormat;
    UINT Width;
    UINT Height;
    UINT TileWidth;
    UINT TileHeight;
    double Xdpi;
    double Ydpi;
    UINT Flags;
};

class IImage {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT GetImageInfo(ImageInfo* info) = 0;
    // Draws the whole image (src NULL) scaled into dst, blending with its alpha.
    virtual HRESULT Draw(HDC hdc, const RECT* dst, const RECT* src) = 0;

protected:
    virtual ~IImage() = default;
};

class IImagingFactory {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    // Fails (and leaves *image null) when the file is missing or not a readable PNG.
    virtual HRESULT CreateImageFromFile(LPCWSTR fileName, IImage** image) = 0;

protected:
    virtual ~IImagingFactory() = default;
};

HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID clsid, LPVOID outer, DWORD context, REFIID iid, LPVOID* out);
