// Test support: a temporary folder that is removed with everything in it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

class CTempDir {
public:
    CTempDir() {
        char pattern[] = "/tmp/mv_app_XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made) m_path = made;
    }
    ~CTempDir() {
        if (m_path.empty()) return;
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};
