#include "platform/devices/sensor_source.h"

#include <cstdio>
#include <cstdlib>

#include "platform/devices/sensor_source_iio.h"
#include "platform/devices/sensor_source_replay.h"
#include "platform/devices/sensor_source_walk.h"
#include "platform/mv_sensor.h"

namespace {
// Tests and benchmarks: where IIO sources read their buffers (empty: /dev/<device>). A child
// program is pointed there by MV_TEST_IIO_NODE; this is no setting of the program's.
std::string& BufferNode() {
    static std::string* node = [] {
        const char* env = std::getenv("MV_TEST_IIO_NODE");
        return new std::string(env != nullptr ? env : "");
    }();
    return *node;
}
}  // namespace

void MvSensorSetBufferNode(const std::string& node) {
    BufferNode() = node;
}

void MvSensorReport(const std::string& message) {
    std::fprintf(stderr, "movimetra: sensor: %s\n", message.c_str());
}

std::unique_ptr<CSensorSource> MvOpenSensorSource(const std::string& setting, std::string* error) {
    std::string chosen = setting;
    if (chosen.empty()) {
        const char* env = std::getenv("MOVIMETRA_SENSOR");
        if (env != nullptr && env[0] != '\0') {
            chosen = env;
        } else {
            chosen = CIioSensorSource::FindDevice(std::string()).empty() ? "none" : "iio";
            if (chosen == "none")
                MvSensorReport(
                    "no accelerometer found; steps cannot be counted (MOVIMETRA_SENSOR=walk or replay:FILE "
                    "chooses another source)");
        }
    }
    error->clear();
    if (chosen == "walk") return std::make_unique<CWalkSensorSource>();
    // No made-up steps: without a sensor there is no source at all.
    if (chosen == "none") return nullptr;
    if (chosen == "iio") return CIioSensorSource::Open(std::string(), BufferNode(), error);
    if (chosen.rfind("iio:", 0) == 0) return CIioSensorSource::Open(chosen.substr(4), BufferNode(), error);
    if (chosen.rfind("replay:", 0) == 0) return CReplaySensorSource::Open(chosen.substr(7), error);
    *error = "unknown source \"" + chosen + "\" (use iio[:PATH], replay:FILE, walk or none)";
    return nullptr;
}
