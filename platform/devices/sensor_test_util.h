// Device files for the device tests: a temporary folder standing in for sysfs or /dev/input.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/mv_platform.h"
#include "testing/temp_dir_test_util.h"

// A temporary folder (removed with everything in it) and the files a test writes below it.
class CDeviceFolder : public CTempDir {
public:
    CDeviceFolder() : CTempDir("mv_sensor_") { EXPECT_FALSE(Path().empty()); }
    // Writes (replacing) a file below the folder, making its parent folders.
    std::string Write(const std::string& name, const std::string& text) const {
        std::string path = Path() + "/" + name;
        for (size_t at = Path().size() + 1; (at = path.find('/', at)) != std::string::npos; ++at)
            mkdir(path.substr(0, at).c_str(), 0755);
        FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr) << path;
        if (f == nullptr) return path;
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        return path;
    }
    // A file below the folder, once the desktop thread has made the calls asked for so far (the
    // motors are driven there).
    std::string Read(const std::string& name) const {
        EXPECT_TRUE(MvDesktopDrain(5000));
        std::string text;
        FILE* f = std::fopen((Path() + "/" + name).c_str(), "rb");
        if (f == nullptr) return text;
        char buf[256];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) text.append(buf, n);
        std::fclose(f);
        return text;
    }
};
