// Temporary folders and files for the device tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

class CTempFolder {
public:
    CTempFolder() {
        char dir[] = "/tmp/mv_sensor_XXXXXX";
        if (mkdtemp(dir) != nullptr) m_strPath = dir;
        EXPECT_FALSE(m_strPath.empty());
    }
    ~CTempFolder() {
        if (m_strPath.empty()) return;
        std::string cmd = "rm -rf '" + m_strPath + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
    }
    const std::string& Path() const { return m_strPath; }
    // Writes (replacing) a file below the folder, making its parent folders.
    std::string Write(const std::string& name, const std::string& text) const {
        std::string path = m_strPath + "/" + name;
        for (size_t at = m_strPath.size() + 1; (at = path.find('/', at)) != std::string::npos; ++at)
            mkdir(path.substr(0, at).c_str(), 0755);
        FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr) << path;
        if (f == nullptr) return path;
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        return path;
    }
    std::string Read(const std::string& name) const {
        std::string text;
        FILE* f = std::fopen((m_strPath + "/" + name).c_str(), "rb");
        if (f == nullptr) return text;
        char buf[256];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) text.append(buf, n);
        std::fclose(f);
        return text;
    }

private:
    std::string m_strPath;
};
