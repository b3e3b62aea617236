// The application icon for desktops: the program's icon as a scalable SVG and as PNG files of the
// sizes launchers ask for, laid out as the hicolor icon theme's folders.
#pragma once

#include <string>
#include <vector>

// The PNG sizes written besides the SVG.
const std::vector<int>& ArtDesktopIconSizes();
// Writes <dir>/hicolor/scalable/apps/<appId>.svg and <dir>/hicolor/<n>x<n>/apps/<appId>.png.
// Files whose bytes are unchanged are left alone.
bool ArtWriteDesktopIcons(const std::string& dir, const std::string& appId, std::string* error);
