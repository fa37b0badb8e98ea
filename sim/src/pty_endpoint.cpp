// Pseudo-terminal pair set up as a raw 8N1 line.
#include "talvex/sim/pty_endpoint.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace talvex::sim {

namespace {

speed_t speedFor(int baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return B19200;
    }
}

std::string errnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

bool PtyEndpoint::open(int baud, std::string& error) {
    close();
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) {
        error = errnoText("posix_openpt");
        return false;
    }
    char name[PATH_MAX] = {};
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 || ::ptsname_r(master_, name, sizeof name) != 0) {
        error = errnoText("pseudo-terminal set-up");
        close();
        return false;
    }
    slavePath_ = name;
    slaveHold_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveHold_ < 0) {
        error = errnoText("open slave side");
        close();
        return false;
    }
    // Raw line: no echo, no translation of CR/LF, no signals; otherwise the line discipline would
    // echo our replies back to us and mangle binary frames.
    termios tio{};
    if (::tcgetattr(slaveHold_, &tio) == 0) {
        ::cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        ::cfsetispeed(&tio, speedFor(baud));
        ::cfsetospeed(&tio, speedFor(baud));
        ::tcsetattr(slaveHold_, TCSANOW, &tio);
    }
    const int flags = ::fcntl(master_, F_GETFL);
    ::fcntl(master_, F_SETFL, flags | O_NONBLOCK);
    return true;
}

bool PtyEndpoint::link(const std::string& path, std::string& error) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = "cannot create link " + path + ": a file of that name exists";
            return false;
        }
        ::unlink(path.c_str());
    }
    if (::symlink(slavePath_.c_str(), path.c_str()) != 0) {
        error = errnoText(("cannot create link " + path).c_str());
        return false;
    }
    linkPath_ = path;
    return true;
}

void PtyEndpoint::close() {
    if (!linkPath_.empty()) {
        // Remove the link only while it still names our device (another run may have taken it).
        char target[PATH_MAX] = {};
        const auto n = ::readlink(linkPath_.c_str(), target, sizeof target - 1);
        if (n > 0 && slavePath_ == std::string(target, static_cast<std::size_t>(n)))
            ::unlink(linkPath_.c_str());
        linkPath_.clear();
    }
    if (slaveHold_ >= 0) ::close(slaveHold_);
    if (master_ >= 0) ::close(master_);
    slaveHold_ = master_ = -1;
}

}  // namespace talvex::sim
