// Test helpers for the artwork tool: decoded PNG pixels.
#pragma once

#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

struct ArtDecoded {
    int width = 0;
    int height = 0;
    bool hasAlpha = false;
    std::vector<uint32_t> pixels;  // cairo's premultiplied 0xAARRGGBB, rows packed

    int Alpha(int x, int y) const { return hasAlpha ? static_cast<int>(pixels[y * width + x] >> 24) : 255; }
    // Colour without premultiplication, 0xRRGGBB (0 where fully transparent).
    uint32_t Rgb(int x, int y) const {
        const uint32_t p = pixels[y * width + x];
        const int a = Alpha(x, y);
        if (a == 0) return 0;
        auto channel = [&](int shift) {
            return static_cast<uint32_t>((((p >> shift) & 0xFF) * 255 + a / 2) / a);
        };
        return (channel(16) << 16) | (channel(8) << 8) | channel(0);
    }
    // The colour seen over a black ground (what the views' black buffers show).
    uint32_t OverBlack(int x, int y) const { return pixels[y * width + x] & 0xFFFFFF; }
};

inline bool ArtDecodeSurface(cairo_surface_t* surface, ArtDecoded* out) {
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return false;
    }
    out->width = cairo_image_surface_get_width(surface);
    out->height = cairo_image_surface_get_height(surface);
    out->hasAlpha = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_ARGB32;
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    out->pixels.resize(static_cast<size_t>(out->width) * out->height);
    for (int y = 0; y < out->height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + y * stride);
        for (int x = 0; x < out->width; ++x) out->pixels[y * out->width + x] = row[x];
    }
    cairo_surface_destroy(surface);
    return true;
}

inline bool ArtDecodeFile(const std::string& path, ArtDecoded* out) {
    return ArtDecodeSurface(cairo_image_surface_create_from_png(path.c_str()), out);
}

struct ArtPngReader {
    const std::vector<unsigned char>* bytes;
    size_t offset;
};

inline cairo_status_t ArtReadPngBytes(void* closure, unsigned char* data, unsigned int length) {
    auto* reader = static_cast<ArtPngReader*>(closure);
    if (reader->offset + length > reader->bytes->size()) return CAIRO_STATUS_READ_ERROR;
    std::copy(reader->bytes->begin() + reader->offset, reader->bytes->begin() + reader->offset + length,
              data);
    reader->offset += length;
    return CAIRO_STATUS_SUCCESS;
}

inline bool ArtDecodePng(const std::vector<unsigned char>& png, ArtDecoded* out) {
    ArtPngReader reader{&png, 0};
    return ArtDecodeSurface(cairo_image_surface_create_from_png_stream(ArtReadPngBytes, &reader), out);
}
