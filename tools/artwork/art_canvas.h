// Drawing helpers of the artwork tool: an image surface that encodes to PNG, colours, rounded
// shapes, gradients and pango text. Output is deterministic: fixed font options, no hinting.
#pragma once

#include <cairo.h>

#include <string>
#include <vector>

struct ArtColor {
    double r = 0;
    double g = 0;
    double b = 0;
    double a = 1;
};

// 0xRRGGBB with an alpha of 0..1.
ArtColor ArtRgb(unsigned rgb, double alpha = 1.0);
ArtColor ArtMix(const ArtColor& from, const ArtColor& to, double t);

// The palette every piece shares.
namespace ArtPalette {
inline constexpr unsigned kAccent = 0x00A1D6;  // label blue of the program
inline constexpr unsigned kAccentDeep = 0x006E94;
inline constexpr unsigned kAccentLight = 0x5CCBF0;
inline constexpr unsigned kInk = 0x0A0E13;      // darkest background
inline constexpr unsigned kSurface = 0x1E2630;  // raised dark surface
inline constexpr unsigned kSurfaceLow = 0x141A21;
inline constexpr unsigned kEdge = 0x3A4654;  // borders on dark surfaces
inline constexpr unsigned kText = 0xFFFFFF;
inline constexpr unsigned kGo = 0x3DD68C;     // start
inline constexpr unsigned kHalt = 0xFF5C5C;   // stop
inline constexpr unsigned kAmber = 0xFFB638;  // reset
}  // namespace ArtPalette

class CArtCanvas {
public:
    // An opaque canvas is RGB24 (a 24-bit PNG); otherwise ARGB32 starting fully transparent.
    // A scale above 1 makes a canvas of width*scale x height*scale pixels on which drawing is
    // still in width x height units (the same image for screens of more pixels).
    CArtCanvas(int width, int height, bool opaque, int scale = 1);
    ~CArtCanvas();
    CArtCanvas(const CArtCanvas&) = delete;
    CArtCanvas& operator=(const CArtCanvas&) = delete;

    cairo_t* Cr() const { return m_pCr; }
    cairo_surface_t* Surface() const { return m_pSurface; }
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    bool Opaque() const { return m_bOpaque; }

    // Flushes pending drawing and encodes the surface; false if cairo failed.
    bool EncodePng(std::vector<unsigned char>* png) const;

private:
    int m_nWidth;
    int m_nHeight;
    bool m_bOpaque;
    cairo_surface_t* m_pSurface;
    cairo_t* m_pCr;
};

void ArtSetColor(cairo_t* cr, const ArtColor& color);
// Path of a rectangle with rounded corners (radii clamped to half the sides).
void ArtRoundedRect(cairo_t* cr, double x, double y, double w, double h, double r);
void ArtRoundedRectCorners(cairo_t* cr, double x, double y, double w, double h, double topLeft,
                           double topRight, double bottomRight, double bottomLeft);
// Fills the current path with a vertical gradient from y0 (top colour) to y1; keeps the path
// when preserve is set.
void ArtFillVertical(cairo_t* cr, double y0, double y1, const ArtColor& top, const ArtColor& bottom,
                     bool preserve = false);
void ArtStroke(cairo_t* cr, const ArtColor& color, double width, bool preserve = false);

// Text through pango. Family is a fontconfig family ("NanumGothic", "NanumSquare"), weight a
// PangoWeight value, size the em size in pixels.
struct ArtFont {
    const char* family = "NanumGothic";
    int weight = 700;
    double pixelSize = 20;
};

enum class ArtAlign { Left, Center, Right };

// Draws one line of UTF-8 text into the box, vertically centred on its ink.
void ArtDrawText(cairo_t* cr, const std::string& utf8, const ArtFont& font, const ArtColor& color, double x,
                 double y, double w, double h, ArtAlign align = ArtAlign::Center);
// Ink extents of the text at the given font, in pixels.
void ArtTextInk(const std::string& utf8, const ArtFont& font, double* width, double* height);
// Adds the text's outline to the current path, its ink centred in the box (w x h).
void ArtTextPathCentred(cairo_t* cr, const std::string& utf8, const ArtFont& font, double x, double y,
                        double w, double h);
// Draws multi-line text (lines split at '\n') from the box's top, left or centred, like DrawTextW.
void ArtDrawTextBlock(cairo_t* cr, const std::string& utf8, const ArtFont& font, const ArtColor& color,
                      double x, double y, double w, ArtAlign align);
