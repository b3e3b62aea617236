#include "platform/devices/iio_buffer.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

const char* const kAxes[3] = {"x", "y", "z"};

bool ReadText(const std::string& path, std::string* text) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[128];
    ssize_t n = read(fd, buf, sizeof buf - 1);
    close(fd);
    if (n <= 0) return false;
    buf[n] = '\0';
    *text = buf;
    while (!text->empty() && (text->back() == '\n' || text->back() == ' ')) text->pop_back();
    return true;
}

bool WriteText(const std::string& path, const std::string& text) {
    int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC | O_TRUNC);
    if (fd < 0) return false;
    bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    return ok;
}

bool Exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

}  // namespace

CIioBuffer::~CIioBuffer() {
    Close();
}

// The enabled channels of a scan in index order, each aligned to its own storage size.
bool CIioBuffer::Layout(const std::string& device) {
    m_channels.clear();
    const std::string scan = device + "/scan_elements";
    DIR* dir = opendir(scan.c_str());
    if (dir == nullptr) return false;
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() > 3 && name.compare(name.size() - 3, 3, "_en") == 0)
            names.push_back(name.substr(0, name.size() - 3));
    }
    closedir(dir);
    for (const std::string& name : names) {
        std::string en, type, index;
        if (!ReadText(scan + "/" + name + "_en", &en) || en != "1") continue;
        if (!ReadText(scan + "/" + name + "_type", &type) || !ReadText(scan + "/" + name + "_index", &index))
            return false;
        Channel c;
        c.nIndex = std::atoi(index.c_str());
        char endian[3] = {}, sign = 0;
        int bits = 0, storage = 0, shift = 0;
        // "le:s16/16>>0"; the repeat form "le:s12/16X2>>4" is not used by accelerometers.
        if (std::sscanf(type.c_str(), "%2[bl]e:%c%d/%d>>%d", endian, &sign, &bits, &storage, &shift) != 5 ||
            (storage != 8 && storage != 16 && storage != 32 && storage != 64) || bits <= 0 || bits > storage)
            return false;
        c.bBigEndian = endian[0] == 'b';
        c.bSigned = sign == 's';
        c.nBits = bits;
        c.nBytes = storage / 8;
        c.nShift = shift;
        for (int a = 0; a < 3; ++a)
            if (name == std::string("in_accel_") + kAxes[a]) c.nAxis = a;
        m_channels.push_back(c);
    }
    std::sort(m_channels.begin(), m_channels.end(),
              [](const Channel& a, const Channel& b) { return a.nIndex < b.nIndex; });
    int offset = 0, largest = 1, axes = 0;
    for (Channel& c : m_channels) {
        offset = (offset + c.nBytes - 1) / c.nBytes * c.nBytes;
        c.nOffset = offset;
        offset += c.nBytes;
        largest = std::max(largest, c.nBytes);
        if (c.nAxis >= 0) ++axes;
    }
    m_nScanBytes = (offset + largest - 1) / largest * largest;
    return axes == 3 && m_nScanBytes > 0;
}

bool CIioBuffer::Open(const std::string& device, const std::string& node, int watermark) {
    Close();
    const std::string buffer = device + "/buffer";
    if (!Exists(buffer + "/enable") || !Exists(device + "/scan_elements/in_accel_x_en")) return false;
    std::string name = device.substr(device.rfind('/') + 1);
    const std::string path = node.empty() ? "/dev/" + name : node;
    m_strDevice = device;
    // Changes to the scan need the buffer off; then the three axes on.
    WriteText(buffer + "/enable", "0");
    for (const char* axis : kAxes)
        if (!WriteText(device + "/scan_elements/in_accel_" + std::string(axis) + "_en", "1")) return false;
    if (!Layout(device)) return false;
    if (Exists(buffer + "/length")) WriteText(buffer + "/length", std::to_string(watermark * 2));
    if (Exists(buffer + "/watermark")) WriteText(buffer + "/watermark", std::to_string(watermark));
    m_fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) return false;
    if (!WriteText(buffer + "/enable", "1")) {
        Close();
        return false;
    }
    m_pending.clear();
    return true;
}

bool CIioBuffer::SetWatermark(int watermark) {
    if (m_fd < 0) return false;
    // The device takes a new watermark only while its buffer is off.
    const std::string buffer = m_strDevice + "/buffer";
    if (!WriteText(buffer + "/enable", "0")) return false;
    if (Exists(buffer + "/length")) WriteText(buffer + "/length", std::to_string(watermark * 2));
    if (Exists(buffer + "/watermark")) WriteText(buffer + "/watermark", std::to_string(watermark));
    return WriteText(buffer + "/enable", "1");
}

bool CIioBuffer::Enable(bool on) {
    if (m_fd < 0) return false;
    m_pending.clear();
    return WriteText(m_strDevice + "/buffer/enable", on ? "1" : "0");
}

void CIioBuffer::Close() {
    if (m_fd < 0) return;
    close(m_fd);
    m_fd = -1;
    WriteText(m_strDevice + "/buffer/enable", "0");
}

double CIioBuffer::Decode(const Channel& c, const unsigned char* scan) const {
    uint64_t raw = 0;
    const unsigned char* p = scan + c.nOffset;
    for (int i = 0; i < c.nBytes; ++i) {
        const int byte = c.bBigEndian ? i : c.nBytes - 1 - i;
        raw = (raw << 8) | p[byte];
    }
    raw >>= c.nShift;
    if (c.nBits < 64) raw &= (uint64_t{1} << c.nBits) - 1;
    if (c.bSigned && c.nBits < 64 && (raw >> (c.nBits - 1)) & 1)
        return static_cast<double>(static_cast<int64_t>(raw) - (int64_t{1} << c.nBits));
    return static_cast<double>(raw);
}

bool CIioBuffer::ReadScans(std::vector<double>* xyz) {
    if (m_fd < 0) return false;
    unsigned char chunk[4096];
    for (;;) {
        ssize_t n = read(m_fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n < 0) return false;
        if (n == 0) break;  // a file or a pipe without a writer: nothing more for now
        m_pending.insert(m_pending.end(), chunk, chunk + n);
        if (n < static_cast<ssize_t>(sizeof chunk)) break;
    }
    size_t used = 0;
    for (; used + m_nScanBytes <= m_pending.size(); used += m_nScanBytes) {
        double values[3] = {0, 0, 0};
        for (const Channel& c : m_channels)
            if (c.nAxis >= 0) values[c.nAxis] = Decode(c, &m_pending[used]);
        xyz->insert(xyz->end(), values, values + 3);
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<long>(used));
    return true;
}
