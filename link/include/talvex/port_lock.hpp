// Keeping a second master off the bus: who else has a serial device open, and the UUCP lock file
// (/run/lock/LCK..ttyUSB0) through which Linux serial tools tell each other that a port is taken.
#pragma once

#include <string>

namespace talvex {

struct PortHolder {
    int pid = 0;       // 0: nobody
    std::string name;  // the process's command name, when it can be read
};

// "held by PID 1234 (minicom)"; empty for nobody.
std::string portHolderText(const PortHolder& holder);

// Another process that has the device open. The other end of a pseudo-terminal (a process that also
// holds its master side, like a simulator) does not count.
PortHolder otherProcessWithDeviceOpen(const std::string& device);

// The UUCP lock of one device, held while the port is open. The lock directory is /run/lock (or
// /var/lock), or TALVEX_LOCK_DIR when set.
class UucpLock {
  public:
    UucpLock() = default;
    ~UucpLock() { release(); }
    UucpLock(const UucpLock&) = delete;
    UucpLock& operator=(const UucpLock&) = delete;

    // Takes the lock for the device. A lock whose process no longer runs is stale and removed. False
    // when a running process holds it (holder says which). Where no lock can be written (no lock
    // directory, no permission) the port is opened without one: true, nothing held.
    bool acquire(const std::string& device, PortHolder* holder);
    void release();
    // Path of the lock file for a device ("/run/lock/LCK..ttyUSB0").
    static std::string lockPath(const std::string& device);

  private:
    std::string path_;  // the lock file we created, empty when none
};

}  // namespace talvex
