// The platform's own controls of the devices (sensor service, power, vibration), beyond the Win32
// subset: configuration and observation hooks for main() and for tests. The program never needs them.
#pragma once

#include <string>
#include <vector>

#include "platform/win_types.h"

// ---- Sensor service "MAG0:" ----------------------------------------------------------------
// Chooses the source of readings, in the form of MOVIMETRA_SENSOR:
//   "iio" or "iio:PATH"  an Industrial I/O accelerometer (PATH: a devices folder or one device
//                        folder; default /sys/bus/iio/devices)
//   "replay:FILE"        a recording, one "interval_ms,x,y,z" line per reading
//   "walk"               a synthetic walker at a steady cadence
//   "none"               no source: START and SENSOR_CTL_QUERY_SOURCE answer FALSE
// An empty setting means the default: MOVIMETRA_SENSOR if set, else "iio" when an accelerometer
// exists, else "none" (said once on stderr). Without a call, the setting is read when the
// service is first started or queried.
// A call replaces the current source; the new one is opened at the next SENSOR_CTL_START.
// A bad setting is reported once on stderr and the service then delivers nothing.
void MvSensorConfigure(const std::string& setting);
// Tests and benchmarks: the character device from which IIO sources opened from now on read their
// buffer (a FIFO standing in for /dev/iio:deviceN; empty: the device's own). A program started as
// a child takes it from MV_TEST_IIO_NODE.
void MvSensorSetBufferNode(const std::string& node);
// The control codes received by ServiceIoControl, in order.
std::vector<DWORD> MvSensorControlLog();
void MvSensorClearLog();
// Number of UM_SENSOR_DATA messages delivered since the process started.
unsigned MvSensorDeliveredCount();

// ---- Power ---------------------------------------------------------------------------------
// Delivers a PBT_RESUME notification to the registered queues, as after a suspend.
void MvPowerSimulateResume();
// Whether the program holds the device in unattended mode (PowerPolicyNotify).
bool MvPowerUnattended();
// Number of SystemIdleTimerReset calls.
unsigned MvPowerIdleResets();
// Stops the resume watcher thread, if any (MvSensorShutdown calls it).
void MvPowerShutdown();

// ---- Vibration -----------------------------------------------------------------------------
// OffOnBlink values of every NLedSetDevice call, in order.
std::vector<int> MvVibrationLog();
void MvVibrationClearLog();
// Folder that holds the vibrator's sysfs classes (default /sys/class): the vibrator is driven
// through ROOT/leds/vibrator/brightness or ROOT/timed_output/vibrator/enable when writable.
void MvVibrationSetSysfsRoot(const std::string& root);
// Folder searched for a force-feedback event device (default /dev/input). feedbackd is tried
// first, on the session bus the environment names (DBUS_SESSION_BUS_ADDRESS, else
// $XDG_RUNTIME_DIR/bus).
void MvVibrationSetEvdevFolder(const std::string& folder);
