// Buffered capture of a Linux IIO accelerometer: the x, y and z channels are enabled in
// scan_elements, the buffer is given a watermark of about a second of scans and enabled, and the
// scans are read in batches from the character device (/dev/iio:deviceN). Scans are decoded by
// their channels' type ("le:s16/16>>0"), index and alignment.
#pragma once

#ifndef MV_PLATFORM_INTERNAL
#error "platform-internal header: outside platform/, include only platform/include/ (see platform/README.md)"
#endif

#include <cstdint>
#include <string>
#include <vector>

class CIioBuffer {
public:
    CIioBuffer() = default;
    ~CIioBuffer();
    CIioBuffer(const CIioBuffer&) = delete;
    CIioBuffer& operator=(const CIioBuffer&) = delete;

    // Sets the device up for buffered capture of watermark scans at a time and opens its character
    // device (node; empty: /dev/<name of the device folder>). False, with the device left as it
    // was found as far as possible, when it offers no buffer or any step fails.
    bool Open(const std::string& device, const std::string& node, int watermark);
    // Appends the raw x, y, z values of every complete scan that can be read now, without waiting.
    // False when the device cannot be read any more.
    bool ReadScans(std::vector<double>* xyz);
    // Gives the open buffer a new watermark (and room for two of it); false when the device refuses.
    bool SetWatermark(int watermark);
    // Switches the open buffer's capture off (what it held is dropped) or on again; false when the
    // device refuses.
    bool Enable(bool on);
    // Disables the buffer and closes the device.
    void Close();

    bool IsOpen() const { return m_fd >= 0; }
    int ScanBytes() const { return m_nScanBytes; }

private:
    struct Channel {
        int nIndex = 0;
        int nOffset = 0;  // byte offset in a scan
        int nBytes = 0;   // storage bytes
        int nBits = 0;    // significant bits
        int nShift = 0;
        bool bSigned = true;
        bool bBigEndian = false;
        int nAxis = -1;  // 0..2 for x, y, z; -1 for another enabled channel
    };
    bool Layout(const std::string& device);
    double Decode(const Channel& c, const unsigned char* scan) const;

    std::string m_strDevice;
    int m_fd = -1;
    int m_nScanBytes = 0;
    std::vector<Channel> m_channels;
    std::vector<unsigned char> m_pending;  // bytes of a scan read only in part
};
