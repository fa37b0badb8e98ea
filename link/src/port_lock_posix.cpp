// Finding who holds a serial device: /proc for open descriptors, the UUCP lock file for tools that
// announce themselves that way.
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "talvex/port_lock.hpp"

namespace talvex {
namespace {

std::string readFirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string commandName(int pid) {
    return readFirstLine("/proc/" + std::to_string(pid) + "/comm");
}

bool processRuns(int pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

std::string resolved(const std::string& device) {
    char buf[PATH_MAX];
    return ::realpath(device.c_str(), buf) ? std::string(buf) : device;
}

// UNIX98 pseudo-terminal slaves (majors 136..143) are numbered per devpts instance: the same number in
// another instance is another device.
bool isPtySlave(const struct stat& st) {
    const unsigned m = major(st.st_rdev);
    return m >= 136 && m <= 143;
}

int ptyIndexOf(const struct stat& st) {
    return static_cast<int>((major(st.st_rdev) - 136) * 256 + minor(st.st_rdev));
}

// The device itself, whatever name reached it: the device number, and for a pseudo-terminal also the
// devpts instance it lives in.
bool sameDevice(const struct stat& a, const struct stat& b) {
    return S_ISCHR(a.st_mode) && S_ISCHR(b.st_mode) && a.st_rdev == b.st_rdev &&
           (!isPtySlave(a) || a.st_dev == b.st_dev);
}

bool earlier(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

int numberOf(const char* name) {
    char* end = nullptr;
    const long n = std::strtol(name, &end, 10);
    return end != name && *end == '\0' && n > 0 && n < 1 << 30 ? static_cast<int>(n) : 0;
}

// The pseudo-terminal index a descriptor of /dev/ptmx serves, or -1.
int ptyMasterIndex(int pid, const char* fd) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/fdinfo/" + fd);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("tty-index:", 0) == 0) return std::atoi(line.c_str() + 10);
    return -1;
}

// The PID a lock file names: ASCII as today's tools write it ("%10d\n", but also "564\n"), or the four
// binary bytes of older ones. Four bytes that read as ASCII digits are ASCII: "564\n" is PID 564.
int lockFilePid(const std::string& bytes) {
    const bool ascii = !bytes.empty() && bytes.find_first_not_of(" 0123456789\n") == std::string::npos &&
                       bytes.find_first_of("0123456789") != std::string::npos;
    if (bytes.size() == 4 && !ascii) {
        int pid = 0;
        std::memcpy(&pid, bytes.data(), 4);
        return pid;
    }
    return std::atoi(bytes.c_str());
}

// What a process's descriptors say about the device: whether it has it open, and whether it holds the
// master side of it (a pseudo-terminal's other end). visible is false when its descriptors cannot be
// read (another user's process, or gone).
struct Descriptors {
    bool visible = false, holds = false, otherEnd = false;
};

Descriptors descriptorsOf(int pid, const struct stat& dev) {
    Descriptors d;
    const std::string fdDir = "/proc/" + std::to_string(pid) + "/fd";
    Dir fds(::opendir(fdDir.c_str()));
    if (!fds) return d;
    d.visible = true;
    const int ptyIndex = isPtySlave(dev) ? ptyIndexOf(dev) : -1;
    while (const dirent* f = ::readdir(fds.get())) {
        if (f->d_name[0] == '.') continue;
        // The file the descriptor has open, compared by device, never by the name /proc shows for it
        // (the number of a closed pseudo-terminal is soon another's).
        struct stat st {};
        if (::stat((fdDir + "/" + f->d_name).c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) continue;
        if (sameDevice(st, dev)) d.holds = true;
        if (ptyIndex >= 0 && ptyMasterIndex(pid, f->d_name) == ptyIndex) d.otherEnd = true;
    }
    return d;
}

// A lock names its device by name, and the number of a pseudo-terminal is given again once the old one
// is closed: a lock written before the device came to be, by a process that does not have this device
// open, was the lock of an earlier device of that name (a program that closed its port and has not yet
// removed the lock). Where the process's descriptors cannot be read, the lock is taken at its word.
bool lockOfAnEarlierDevice(const std::string& lockPath, const std::string& device, int pid) {
    struct stat lock {
    }, dev{};
    if (::stat(lockPath.c_str(), &lock) != 0 || ::stat(device.c_str(), &dev) != 0) return false;
    if (!earlier(lock.st_mtim, dev.st_ctim)) return false;
    const Descriptors d = descriptorsOf(pid, dev);
    return d.visible && !d.holds;
}

}  // namespace

std::string portHolderText(const PortHolder& holder) {
    if (holder.pid <= 0) return {};
    std::string text = "held by PID " + std::to_string(holder.pid);
    if (!holder.name.empty()) text += " (" + holder.name + ")";
    return text;
}

PortHolder otherProcessWithDeviceOpen(const std::string& device) {
    struct stat dev {};
    if (::stat(device.c_str(), &dev) != 0 || !S_ISCHR(dev.st_mode)) return {};
    const int self = static_cast<int>(::getpid());
    Dir proc(::opendir("/proc"));
    if (!proc) return {};
    while (const dirent* p = ::readdir(proc.get())) {
        const int pid = numberOf(p->d_name);
        if (pid == 0 || pid == self) continue;
        // The process holding the master of a pseudo-terminal is the other end of the line, not a rival.
        const Descriptors d = descriptorsOf(pid, dev);
        if (d.holds && !d.otherEnd) return {pid, commandName(pid)};
    }
    return {};
}

std::string UucpLock::lockPath(const std::string& device) {
    std::string dir;
    if (const char* env = std::getenv("TALVEX_LOCK_DIR"); env && *env) {
        dir = env;
    } else {
        struct stat st {};
        dir = ::stat("/run/lock", &st) == 0 ? "/run/lock" : "/var/lock";
    }
    // The name below /dev, with further slashes as underscores: LCK..ttyUSB0, LCK..pts_3.
    std::string name = resolved(device);
    if (name.rfind("/dev/", 0) == 0)
        name.erase(0, 5);
    else if (const auto slash = name.rfind('/'); slash != std::string::npos)
        name.erase(0, slash + 1);
    for (char& c : name)
        if (c == '/') c = '_';
    return dir + "/LCK.." + name;
}

bool UucpLock::acquire(const std::string& device, PortHolder* holder) {
    release();
    const std::string path = lockPath(device);
    const int self = static_cast<int>(::getpid());
    char content[16];
    std::snprintf(content, sizeof content, "%10d\n", self);
    const std::string tmp = path.substr(0, path.rfind('/') + 1) + "LTMP." + std::to_string(self);
    for (int attempt = 0; attempt < 2; ++attempt) {
        // Written aside and linked into place: the lock appears whole or not at all.
        FILE* f = std::fopen(tmp.c_str(), "w");
        if (!f) return true;  // no lock directory we may write: nothing to honour from us
        const bool written = std::fputs(content, f) >= 0;
        std::fclose(f);
        ::chmod(tmp.c_str(), 0644);
        const bool linked = written && ::link(tmp.c_str(), path.c_str()) == 0;
        const int err = errno;
        ::unlink(tmp.c_str());
        if (linked) {
            path_ = path;
            return true;
        }
        if (!written || err != EEXIST) return true;
        // Taken: by a running process (ASCII PID as the tools write it, or a 4-byte binary one)?
        std::ifstream in(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const int pid = lockFilePid(bytes);
        // Ours (another handle of this process; flock settles that one): not ours to remove.
        if (pid == self) return true;
        if (processRuns(pid) && !lockOfAnEarlierDevice(path, device, pid)) {
            if (holder) *holder = {pid, commandName(pid)};
            return false;
        }
        ::unlink(path.c_str());  // stale: its process has ended, or its device is gone
    }
    return true;
}

void UucpLock::release() {
    if (!path_.empty()) ::unlink(path_.c_str());
    path_.clear();
}

}  // namespace talvex
