#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "talvex/diagnostics/line_reader.hpp"

namespace talvex::diagnostics {
namespace {

bool speedCode(int baud, speed_t& code) {
    switch (baud) {
        case 1200:
            code = B1200;
            return true;
        case 2400:
            code = B2400;
            return true;
        case 4800:
            code = B4800;
            return true;
        case 9600:
            code = B9600;
            return true;
        case 19200:
            code = B19200;
            return true;
        case 38400:
            code = B38400;
            return true;
        case 57600:
            code = B57600;
            return true;
        case 115200:
            code = B115200;
            return true;
        default:
            return false;
    }
}

PortOpenFailure classify(int err) {
    switch (err) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return PortOpenFailure::Missing;
        case EBUSY:
            return PortOpenFailure::Busy;
        case EACCES:
        case EPERM:
            return PortOpenFailure::PermissionDenied;
        default:
            return PortOpenFailure::Other;
    }
}

}  // namespace

LineReader::~LineReader() {
    if (fd_ >= 0) ::close(fd_);
}

bool LineReader::open(const std::string& device, int baud) {
    speed_t speed{};
    if (!speedCode(baud, speed)) {
        failure_ = PortOpenFailure::Unsupported;
        return false;
    }
    const int fd = ::open(device.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        failure_ = classify(errno);
        return false;
    }
    termios tio{};
    if (!isatty(fd) || tcgetattr(fd, &tio) != 0) {
        ::close(fd);
        failure_ = PortOpenFailure::Unsupported;
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD | CS8;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0 || tcsetattr(fd, TCSANOW, &tio) != 0) {
        ::close(fd);
        failure_ = PortOpenFailure::Unsupported;
        return false;
    }
    fd_ = fd;
    failure_ = PortOpenFailure::None;
    return true;
}

int LineReader::read(std::uint8_t* buffer, std::size_t size, std::int64_t timeoutUs) {
    if (fd_ < 0) return -1;
    const timespec ts{static_cast<time_t>(timeoutUs / 1'000'000),
                      static_cast<long>(timeoutUs % 1'000'000) * 1000};
    pollfd p{fd_, POLLIN, 0};
    const int r = ppoll(&p, 1, &ts, nullptr);
    if (r < 0) return errno == EINTR ? 0 : -1;
    if (r == 0) return 0;
    if (!(p.revents & POLLIN)) return -1;  // hang-up or error without data
    const ssize_t n = ::read(fd_, buffer, size);
    if (n > 0) return static_cast<int>(n);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
    return -1;
}

}  // namespace talvex::diagnostics
