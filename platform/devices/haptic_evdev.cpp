#include "platform/devices/haptic_evdev.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

bool CanRumble(int fd) {
    unsigned long bits[(FF_MAX + 8 * sizeof(unsigned long)) / (8 * sizeof(unsigned long))] = {};
    if (ioctl(fd, EVIOCGBIT(EV_FF, sizeof(bits)), bits) < 0) return false;
    const size_t perWord = 8 * sizeof(unsigned long);
    return (bits[FF_RUMBLE / perWord] >> (FF_RUMBLE % perWord)) & 1UL;
}

bool WriteEvent(int fd, int code, int value) {
    input_event event;
    std::memset(&event, 0, sizeof(event));
    event.type = EV_FF;
    event.code = static_cast<__u16>(code);
    event.value = value;
    return write(fd, &event, sizeof(event)) == static_cast<ssize_t>(sizeof(event));
}

// event0, event1, ... in number order, so that the choice does not depend on the folder's order.
std::vector<std::string> EventDevices(const std::string& folder) {
    std::vector<std::pair<int, std::string>> found;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return {};
    while (dirent* entry = readdir(dir)) {
        if (std::strncmp(entry->d_name, "event", 5) != 0) continue;
        found.emplace_back(std::atoi(entry->d_name + 5), folder + "/" + entry->d_name);
    }
    closedir(dir);
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& item : found) paths.push_back(item.second);
    return paths;
}

}  // namespace

CEvdevRumble::~CEvdevRumble() {
    Stop();
}

bool CEvdevRumble::Start(const std::string& folder, int maxMs) {
    Stop();
    for (const std::string& path : EventDevices(folder)) {
        int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) continue;
        if (!CanRumble(fd)) {
            close(fd);
            continue;
        }
        ff_effect effect;
        std::memset(&effect, 0, sizeof(effect));
        effect.type = FF_RUMBLE;
        effect.id = -1;
        effect.u.rumble.strong_magnitude = 0xFFFF;
        effect.u.rumble.weak_magnitude = 0xFFFF;
        effect.replay.length = static_cast<__u16>(std::clamp(maxMs, 1, 0x7FFF));
        if (ioctl(fd, EVIOCSFF, &effect) < 0) {
            close(fd);
            continue;
        }
        if (!WriteEvent(fd, effect.id, 1)) {
            ioctl(fd, EVIOCRMFF, effect.id);
            close(fd);
            continue;
        }
        m_nFd = fd;
        m_nEffect = effect.id;
        return true;
    }
    return false;
}

void CEvdevRumble::Stop() {
    if (m_nFd < 0) return;
    WriteEvent(m_nFd, m_nEffect, 0);
    ioctl(m_nFd, EVIOCRMFF, m_nEffect);
    close(m_nFd);
    m_nFd = -1;
    m_nEffect = -1;
}
