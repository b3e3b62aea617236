// Contact sheets for looking at the artwork: the main view composed as the program lays it out,
// the runner frames side by side, the popup, profile and history layouts, and every file.
#pragma once

#include <string>

// Reads the generated files from imgDir (bitmaps are drawn in-process) and writes
// artwork_main.png, artwork_runner.png, artwork_views.png and artwork_sheet.png into outDir.
bool ArtWritePreviews(const std::string& imgDir, const std::string& outDir, std::string* error);
