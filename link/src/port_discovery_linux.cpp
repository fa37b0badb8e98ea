// Serial port discovery on Linux from sysfs: every /sys/class/tty entry with a device behind it,
// named after its USB product where it has one.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "talvex/port_discovery.hpp"

namespace talvex {
namespace fs = std::filesystem;
namespace {

std::string readAttribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line)) return {};
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

std::string errorText(const char* what, const fs::path& path, int err) {
    char buf[64];
    std::snprintf(buf, sizeof buf, ". (err=%x)", static_cast<unsigned>(err));
    return std::string(what) + " " + path.string() + buf;
}

// "ttyUSB10" sorts after "ttyUSB9": compare the letter prefix, then the number.
bool naturalLess(const std::string& a, const std::string& b) {
    auto split = [](const std::string& s) {
        std::size_t i = s.size();
        while (i > 0 && s[i - 1] >= '0' && s[i - 1] <= '9') --i;
        const std::string digits = s.substr(i);
        return std::pair{s.substr(0, i), digits.empty() ? -1L : std::stol(digits.substr(0, 9))};
    };
    return split(a) < split(b);
}

// An 8250-family slot the kernel reserves without finding a UART reports type 0 (unknown port).
bool isEmptyLegacySlot(const fs::path& ttyDir) {
    std::error_code ec;
    const fs::path typeFile = ttyDir / "type";
    if (!fs::exists(typeFile, ec)) return false;
    return readAttribute(typeFile) == "0";
}

struct UsbIdentity {
    bool found = false;
    std::string product, manufacturer;
};

// The USB device is the nearest ancestor of the tty's device that carries idVendor: the interface
// for CDC-ACM (one level up), the usb-serial port for converters (two levels up).
UsbIdentity findUsbIdentity(const fs::path& deviceLink, const fs::path& sysRoot) {
    std::error_code ec;
    fs::path dir = fs::canonical(deviceLink, ec);
    if (ec) return {};
    const fs::path stop = fs::weakly_canonical(sysRoot, ec);
    for (int level = 0; level < 5 && !dir.empty() && dir != stop && dir != dir.root_path(); ++level) {
        if (fs::exists(dir / "idVendor", ec))
            return {true, readAttribute(dir / "product"), readAttribute(dir / "manufacturer")};
        dir = dir.parent_path();
    }
    return {};
}

std::string describe(const UsbIdentity& usb) {
    if (!usb.found) return "Serial port";
    std::string text = usb.product.empty() ? "USB serial port" : usb.product;
    if (!usb.manufacturer.empty() && text.find(usb.manufacturer) == std::string::npos)
        text += " - " + usb.manufacturer;
    return text;
}

// Byte offset of the UTF-8 character at position `chars` (or the end).
std::size_t utf8Offset(std::string_view s, std::size_t chars) {
    std::size_t i = 0;
    for (std::size_t n = 0; i < s.size() && n < chars; ++n) {
        ++i;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    }
    return i;
}

std::size_t utf8Length(std::string_view s) {
    return static_cast<std::size_t>(std::count_if(
        s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace

std::string EnumerateSerialPorts(std::vector<SSerInfo>& ports, const fs::path& sysRoot,
                                 const fs::path& devRoot) {
    ports.clear();
    const fs::path classDir = sysRoot / "class" / "tty";
    std::error_code ec;
    fs::directory_iterator it(classDir, ec);
    if (ec) return errorText("Could not list", classDir, ec.value());

    std::vector<std::string> names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) return errorText("Could not list", classDir, ec.value());
        const fs::path entry = it->path();
        std::error_code linkEc;
        // Consoles and pseudo-terminals have no device behind them.
        if (!fs::exists(entry / "device", linkEc)) continue;
        if (isEmptyLegacySlot(entry)) continue;
        names.push_back(entry.filename().string());
    }
    std::sort(names.begin(), names.end(), naturalLess);

    for (const auto& name : names) {
        const UsbIdentity usb = findUsbIdentity(classDir / name / "device", sysRoot);
        SSerInfo info;
        info.devicePath = (devRoot / name).string();
        info.portName = name;
        info.usb = usb.found;
        info.description = describe(usb);
        info.friendlyName = info.description + " (" + name + ")";
        ports.push_back(std::move(info));
    }
    return {};
}

std::string portListText(std::string_view friendlyName) {
    constexpr std::size_t kKeep = 6;
    const std::size_t marker = friendlyName.find("(tty");
    if (marker == std::string_view::npos || utf8Length(friendlyName.substr(0, marker)) <= kKeep)
        return std::string(friendlyName);
    std::string text(friendlyName.substr(0, utf8Offset(friendlyName, kKeep)));
    text += "...";
    text += friendlyName.substr(marker);
    return text;
}

std::string deviceFromListText(std::string_view listText, const fs::path& devRoot) {
    const std::size_t open = listText.find("(tty");
    if (open == std::string_view::npos) return {};
    const std::size_t close = listText.find(')', open);
    if (close == std::string_view::npos) return {};
    const std::string_view name = listText.substr(open + 1, close - open - 1);
    if (name.size() <= 3) return {};  // bare "tty" is the controlling terminal, not a port
    for (char c : name) {
        const bool ok =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (!ok) return {};
    }
    return (devRoot / name).string();
}

}  // namespace talvex
