// Process entry on Linux: sets up the platform (display, clock and script from the
// environment), registers the resources, runs WinMain and returns its WM_QUIT code.
#include "app/win_main.h"
#include "platform/mv_platform.h"
#include "resources/resources.h"

int main() {
    MvPlatformOptions options;
    MvPlatformInit(options);
    RegisterMovimetraResources();
    int code = WinMain(MvAppInstanceHandle(), nullptr, (LPWSTR)L"", SW_SHOW);
    MvPlatformShutdown();
    return code;
}
