// The Win32-style subset the program is written against (included in place of <windows.h>).
#pragma once

// The areas in the order they build on one another.
// clang-format off
#include "platform/win_types.h"
#include "platform/win_window.h"
#include "platform/win_time.h"
#include "platform/win_gdi.h"
#include "platform/win_imaging.h"
#include "platform/win_shell.h"
#include "platform/win_controls.h"
#include "platform/win_resources.h"
#include "platform/win_devices.h"
#include "platform/win_module.h"
#include "platform/win_files.h"
// clang-format on
