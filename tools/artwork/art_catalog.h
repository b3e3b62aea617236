// Everything the tool generates: the image files of the program's img folder (every name of both
// language halves of the image table) and the icon and bitmap resources, each with its size and
// its drawing.
#pragma once

#include <cairo.h>

#include <functional>
#include <string>
#include <vector>

struct ArtImageEntry {
    std::string name;  // file name (img folder) or a label such as "bitmap 129"
    int width = 0;
    int height = 0;
    bool opaque = false;  // 24-bit, no alpha channel
    std::function<void(cairo_t*)> draw;
};

struct ArtResourceEntry {
    unsigned id = 0;
    bool icon = false;  // icon or bitmap
    ArtImageEntry image;
};

// The image table's file names in cell order, Korean half first (59 each).
const std::vector<std::string>& ArtImageTableNames(bool english);
// One entry per distinct file name, in table order (Korean half, then the English-only names).
std::vector<ArtImageEntry> ArtImageFiles();
// Icons 101 and 136, bitmaps 129-133, 143, 145-148, in that order.
std::vector<ArtResourceEntry> ArtResources();
// Looks a file up by its exact name; nullptr when unknown.
const ArtImageEntry* ArtFindImage(const std::vector<ArtImageEntry>& entries, const std::string& name);

// Every image is drawn at these factors: 1 (its size in the program's pixels), 2 and 3 (for
// screens of more pixels; the program takes the smallest factor not below the screen's).
inline constexpr int kArtScales[] = {1, 2, 3};
// Draws a entry onto a fresh canvas (scale x its size) and encodes it.
bool ArtRenderPng(const ArtImageEntry& entry, std::vector<unsigned char>* png, int scale = 1);
// The file name of an image drawn at a factor: "name.png", "name@2x.png", "name@3x.png".
std::string ArtScaledName(const std::string& name, int scale);
// Writes every img file into dir (created if missing), at each factor. Files whose bytes are
// unchanged are left alone, so their timestamps only move when the artwork does.
bool ArtWriteImageFiles(const std::string& dir, std::string* error);
// Writes the bytes through a temporary file and a rename, unless the file holds them already.
bool ArtWriteFileIfChanged(const std::string& path, const std::string& bytes, std::string* error);
// Writes the C++ source that defines g_mvResIcons/g_mvResBitmaps with the PNG bytes (each
// image at 1x, with its 2x and 3x drawings beside it: NAME, NAME_2x, NAME_3x).
bool ArtWriteResourceSource(const std::string& path, std::string* error);
