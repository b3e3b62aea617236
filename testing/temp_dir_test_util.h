// A temporary folder for a test or a benchmark: made as <prefix>XXXXXX in the system's temporary
// folder ($TMPDIR, else /tmp) and removed with everything in it when the object goes.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

class CTempDir {
public:
    explicit CTempDir(const std::string& prefix = "mv_test_") {
        std::error_code error;
        std::filesystem::path base = std::filesystem::temp_directory_path(error);
        if (error) base = "/tmp";
        std::string pattern = (base / (prefix + "XXXXXX")).string();
        if (mkdtemp(pattern.data()) != nullptr) m_strPath = pattern;
    }
    ~CTempDir() {
        if (m_strPath.empty()) return;
        std::error_code ignored;
        std::filesystem::remove_all(m_strPath, ignored);
    }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    // The folder, or empty when it could not be made.
    const std::string& Path() const { return m_strPath; }

    // A folder for the whole process (state that outlives every test, such as the platform's
    // program folder): removed only when the process exits, and its path stays valid for threads
    // that still run during static destruction.
    static const std::string& ForProcess(const std::string& prefix) {
        static const int removeAtExit = std::atexit([] {
            std::error_code ignored;
            for (const CTempDir* dir : KeptForProcess()) std::filesystem::remove_all(dir->m_strPath, ignored);
        });
        (void)removeAtExit;
        const CTempDir* dir = new CTempDir(prefix);  // never deleted: see above
        KeptForProcess().push_back(dir);
        return dir->m_strPath;
    }

private:
    static std::vector<const CTempDir*>& KeptForProcess() {
        static auto* kept = new std::vector<const CTempDir*>;
        return *kept;
    }

    std::string m_strPath;
};
