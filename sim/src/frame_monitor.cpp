#include "talvex/sim/frame_monitor.hpp"

#include <cerrno>
#include <chrono>
#include <cstring>

namespace talvex::sim {

FrameMonitor::~FrameMonitor() {
    if (file_) std::fclose(file_);
}

bool FrameMonitor::open(const std::string& path, std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) {
        error = "--monitor: cannot write '" + path + "': " + std::strerror(errno);
        return false;
    }
    if (file_) std::fclose(file_);
    file_ = f;
    return true;
}

void FrameMonitor::record(bool received, const std::vector<std::uint8_t>& bytes) {
    if (!file_) return;
    const long long us = std::chrono::duration_cast<std::chrono::microseconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count();
    std::string line = std::to_string(us) + (received ? " rx" : " tx");
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (const auto b : bytes) {
        line += ' ';
        line += kDigits[b >> 4];
        line += kDigits[b & 15];
    }
    line += '\n';
    std::lock_guard lock(mutex_);
    std::fputs(line.c_str(), file_);
    std::fflush(file_);
}

}  // namespace talvex::sim
