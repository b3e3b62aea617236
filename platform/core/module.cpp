// Modules: the executable's path and run-time loaded libraries. A Windows module name such as
// L"CalendarPicker.dll" maps to a shared object beside the executable; an ordinal entry point n
// is the exported symbol "mv_ordinal_<n>".
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "platform/core/core_state.h"
#include "platform/win_module.h"

namespace mv {

namespace {

// Read once: the link names the file the process was started from for its whole life (and
// would gain a " (deleted)" suffix if that file were removed), while images and texts ask for
// the program's folder at every draw.
std::string RealExecutablePath() {
    static const std::string* const path = [] {
        char buffer[4096];
        ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        return new std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
    }();
    return *path;
}

std::string ModulePath() {
    {
        Lock lk(CoreState().mutex);
        if (!CoreState().modulePath.empty()) return CoreState().modulePath;
    }
    return RealExecutablePath();
}

std::string DirectoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// The file names a module name may stand for, most literal first.
std::vector<std::string> CandidateNames(const std::string& name) {
    std::vector<std::string> names{name};
    std::string base = name;
    size_t dot = base.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : base.substr(dot);
    std::string lowerExt = ext;
    std::transform(lowerExt.begin(), lowerExt.end(), lowerExt.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    if (lowerExt == ".dll") base = base.substr(0, dot);
    if (lowerExt == ".dll" || ext.empty()) {
        names.push_back(base + ".so");
        names.push_back("lib" + base + ".so");
    } else if (lowerExt == ".so" && base.rfind("lib", 0) != 0) {
        names.push_back("lib" + base);
    }
    return names;
}

}  // namespace

}  // namespace mv

using namespace mv;

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
    if (buffer == nullptr || size == 0) return 0;
    std::string path;
    if (module == nullptr) {
        path = ModulePath();
    } else {
        struct link_map* map = nullptr;
        if (dlinfo(module, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr)
            path = map->l_name;
    }
    std::wstring wide = Utf8ToWide(path);
    if (wide.empty()) {
        buffer[0] = 0;
        return 0;
    }
    // Win32: a path that does not fit is cut, terminated, and the full buffer size returned.
    if (wide.size() >= size) {
        wide.copy(buffer, size - 1);
        buffer[size - 1] = 0;
        return size;
    }
    wide.copy(buffer, wide.size());
    buffer[wide.size()] = 0;
    return static_cast<DWORD>(wide.size());
}

HMODULE LoadLibraryW(LPCWSTR name) {
    if (name == nullptr || *name == 0) return nullptr;
    std::string utf8 = WideToUtf8(name);
    std::replace(utf8.begin(), utf8.end(), '\\', '/');
    std::vector<std::string> dirs;
    std::string file = utf8;
    size_t slash = utf8.rfind('/');
    if (slash != std::string::npos) {
        dirs.push_back(utf8.substr(0, slash));
        file = utf8.substr(slash + 1);
    } else {
        dirs.push_back(DirectoryOf(ModulePath()));
        std::string real = DirectoryOf(RealExecutablePath());
        if (real != dirs[0]) dirs.push_back(real);
    }
    for (const std::string& dir : dirs) {
        for (const std::string& candidate : CandidateNames(file)) {
            std::string path = dir + "/" + candidate;
            if (access(path.c_str(), R_OK) != 0) continue;
            if (void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
                return static_cast<HMODULE>(handle);
        }
    }
    return nullptr;
}

FARPROC GetProcAddressW(HMODULE module, LPCWSTR procName) {
    if (module == nullptr || procName == nullptr) return nullptr;
    std::string symbol;
    if (IS_INTRESOURCE(procName))
        symbol = "mv_ordinal_" + std::to_string(static_cast<unsigned>(reinterpret_cast<uintptr_t>(procName)));
    else
        symbol = WideToUtf8(procName);
    void* address = dlsym(module, symbol.c_str());
    return reinterpret_cast<FARPROC>(address);
}

BOOL FreeLibrary(HMODULE module) {
    if (module == nullptr) return FALSE;
    return dlclose(module) == 0 ? TRUE : FALSE;
}
