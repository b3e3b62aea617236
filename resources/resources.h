// The program's compiled-in resource script.
#pragma once

// Registers the string table, the soft-key bars, the accelerator table, the icons and the
// bitmaps with the platform. Called once before WinMain (main() and the tests do it).
void RegisterMovimetraResources();
