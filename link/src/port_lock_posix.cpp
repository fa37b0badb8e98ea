// Finding who holds a serial device: /proc for open descriptors, the UUCP lock file for tools that
// announce themselves that way.
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
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
    // /dev/pts/N: the process holding the master of pty N is the other end of the line, not a rival.
    const std::string real = resolved(device);
    const int ptyIndex = real.rfind("/dev/pts/", 0) == 0 ? numberOf(real.c_str() + 9) : -1;
    const int self = static_cast<int>(::getpid());
    Dir proc(::opendir("/proc"));
    if (!proc) return {};
    while (const dirent* p = ::readdir(proc.get())) {
        const int pid = numberOf(p->d_name);
        if (pid == 0 || pid == self) continue;
        const std::string fdDir = "/proc/" + std::string(p->d_name) + "/fd";
        Dir fds(::opendir(fdDir.c_str()));
        if (!fds) continue;  // another user's process, or gone
        bool holds = false, otherEnd = false;
        while (const dirent* f = ::readdir(fds.get())) {
            if (f->d_name[0] == '.') continue;
            struct stat st {};
            if (::stat((fdDir + "/" + f->d_name).c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) continue;
            if (st.st_rdev == dev.st_rdev) holds = true;
            if (ptyIndex >= 0 && ptyMasterIndex(pid, f->d_name) == ptyIndex) otherEnd = true;
        }
        if (holds && !otherEnd) return {pid, commandName(pid)};
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
        if (processRuns(pid)) {
            if (holder) *holder = {pid, commandName(pid)};
            return false;
        }
        ::unlink(path.c_str());  // stale: its process has ended
    }
    return true;
}

void UucpLock::release() {
    if (!path_.empty()) ::unlink(path_.c_str());
    path_.clear();
}

}  // namespace talvex
