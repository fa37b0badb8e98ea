// CSerialPort on POSIX: termios for the line, poll() for the time-outs. The descriptor is non-blocking;
// every wait is a ppoll against a monotonic deadline, so a Read never blocks past its stated bound.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "serial_speed_linux.hpp"
#include "talvex/serial_port.hpp"

namespace talvex {
namespace {

using Clock = std::chrono::steady_clock;

int fdOf(std::intptr_t handle) {
    return static_cast<int>(handle);
}

PortOpenFailure classifyErrno(int err) {
    switch (err) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return PortOpenFailure::Missing;
        case EBUSY:
        case EWOULDBLOCK:
            return PortOpenFailure::Busy;
        case EACCES:
        case EPERM:
            return PortOpenFailure::PermissionDenied;
        case ENOTTY:
        case EINVAL:
            return PortOpenFailure::Unsupported;
        default:
            return PortOpenFailure::Other;
    }
}

// Byte size 5..8; parity 0 none, 1 odd, 2 even, 3 mark, 4 space; stop bits 0 one, 2 two. One and a half
// stop bits (code 1) exist on no Linux port and are refused rather than replaced by two.
bool speedCode(std::uint32_t baud, speed_t& code) {
    struct Rate {
        std::uint32_t baud;
        speed_t code;
    };
    static constexpr Rate kRates[] = {
        {110, B110},       {150, B150},       {200, B200},       {300, B300},
        {600, B600},       {1200, B1200},     {2400, B2400},     {4800, B4800},
        {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
        {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
    };
    for (const auto& r : kRates) {
        if (r.baud == baud) {
            code = r.code;
            return true;
        }
    }
    return false;
}

bool configureLine(int fd, std::uint32_t baudRate, std::uint8_t byteSize, std::uint8_t parity,
                   std::uint8_t stopBits) {
    if (parity > 4 || (stopBits != 0 && stopBits != 2)) return false;
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return false;
    // Binary, raw: no echo, no line editing, no translation, no software or hardware flow control.
    tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                          IXOFF | IXANY);
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD;
    switch (byteSize) {
        case 5:
            tio.c_cflag |= CS5;
            break;
        case 6:
            tio.c_cflag |= CS6;
            break;
        case 7:
            tio.c_cflag |= CS7;
            break;
        case 8:
            tio.c_cflag |= CS8;
            break;
        default:
            return false;
    }
    switch (parity) {
        case 0:
            break;
        case 1:
            tio.c_cflag |= PARENB | PARODD;
            break;
        case 2:
            tio.c_cflag |= PARENB;
            break;
        case 3:  // mark: with CMSPAR the parity bit is always PARODD's value, 1
            tio.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        default:  // 4, space: always 0
            tio.c_cflag |= PARENB | CMSPAR;
            break;
    }
    if (stopBits == 2) tio.c_cflag |= CSTOPB;
    // Reads are driven by poll(); the driver must never block on its own.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    // Rates of the Bnnn table the usual way (what other tools read back); any other through termios2.
    speed_t speed{};
    const bool tabled = speedCode(baudRate, speed);
    if (tabled && (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0)) return false;
    if (tcsetattr(fd, TCSANOW, &tio) != 0) return false;
    return tabled || setArbitrarySpeed(fd, baudRate);
}

// Waits for an event on fd until the deadline. Returns poll's revents, 0 on time-out, -1 on failure.
int waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) return 0;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        pollfd p{fd, events, 0};
        const int r = ppoll(&p, 1, &ts, nullptr);
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (r == 0) return 0;
        return p.revents;
    }
}

}  // namespace

int CSerialPort::Open(const char* device, std::uint32_t baudRate, std::uint8_t byteSize, std::uint8_t parity,
                      std::uint8_t stopBits) {
    return openDevice(device, baudRate, byteSize, parity, stopBits, Access::Master);
}

int CSerialPort::OpenListener(const char* device, std::uint32_t baudRate, bool shared) {
    return openDevice(device, baudRate, 8, 0, 0, shared ? Access::SharedListener : Access::Listener);
}

int CSerialPort::openDevice(const char* device, std::uint32_t baudRate, std::uint8_t byteSize,
                            std::uint8_t parity, std::uint8_t stopBits, Access access) {
    if (isOpen()) Close();
    lastOpenFailure_ = PortOpenFailure::None;
    lastOpenHolder_.clear();
    if (device == nullptr || *device == '\0' || baudRate == 0) {
        lastOpenFailure_ =
            device == nullptr || *device == '\0' ? PortOpenFailure::Missing : PortOpenFailure::Unsupported;
        return 0;
    }
    if (byteSize < 5 || byteSize > 8 || parity > 4 || (stopBits != 0 && stopBits != 2)) {
        lastOpenFailure_ = PortOpenFailure::BadSettings;
        return 0;
    }
    const bool listener = access != Access::Master;
    const int fd = ::open(device, (listener ? O_RDONLY : O_RDWR) | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        lastOpenFailure_ = classifyErrno(errno);
        return 0;
    }
    auto fail = [&](PortOpenFailure why) {
        ::close(fd);
        lock_.release();
        lastOpenFailure_ = why;
        return 0;
    };
    if (!isatty(fd)) return fail(PortOpenFailure::Unsupported);
    if (access != Access::SharedListener) {
        // Another master on the same bus would collide with every request (parameter writes included),
        // and a listener beside it would take its replies: refuse a port that another program has open
        // or has announced through its UUCP lock.
        PortHolder holder = otherProcessWithDeviceOpen(device);
        if (holder.pid == 0) lock_.acquire(device, &holder);
        if (holder.pid != 0) {
            lastOpenHolder_ = portHolderText(holder);
            return fail(PortOpenFailure::Busy);
        }
        // No sharing: TIOCEXCL refuses later opens by others (except privileged ones), and the advisory
        // lock refuses other well-behaved programs and a second handle of our own, privileged or not.
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(classifyErrno(errno));
        if (ioctl(fd, TIOCEXCL) != 0) return fail(classifyErrno(errno));
    }
    if (!configureLine(fd, baudRate, byteSize, parity, stopBits)) return fail(PortOpenFailure::Unsupported);
    if (!listener) {
        // DTR and RTS held inactive: the adapters here need no handshake lines, and some use RTS for
        // direction. Pseudo-terminals have no modem lines; the call fails there and that is fine.
        int lines = TIOCM_DTR | TIOCM_RTS;
        (void)ioctl(fd, TIOCMBIC, &lines);
    }
    // Driver queue sizes are the kernel's own (4 KiB and up); a Modbus frame is at most 256 bytes.
    // A shared listener leaves the other program's queues alone.
    if (access != Access::SharedListener) tcflush(fd, TCIOFLUSH);
    readOnly_ = listener;
    exclusive_ = access != Access::SharedListener;
    handle_ = fd;
    charTimeoutMs_ = characterTimeout(baudRate);
    baudRate_ = baudRate;
    return 1;
}

int CSerialPort::Close() {
    if (!isOpen()) return -1;
    const int fd = fdOf(handle_);
    handle_ = kInvalidHandle;
    if (exclusive_) (void)ioctl(fd, TIOCNXCL);  // a shared listener never set it: the other program did
    const int rc = ::close(fd);
    lock_.release();
    return rc;
}

void CSerialPort::closeAfterFailure() {
    if (isOpen()) Close();
}

// Only the receive side is discarded. What can sit in the transmit queue at this point is the tail of the
// previous frame (a write returns once the driver holds the bytes, not once they left the wire; on a
// pseudo-terminal, output not yet read by the peer): discarding it would put a truncated frame on the line.
void CSerialPort::purge() {
    if (isOpen()) tcflush(fdOf(handle_), TCIFLUSH);
}

int CSerialPort::takePending(std::uint8_t* buffer, int count) {
    if (!isOpen() || buffer == nullptr || count <= 0) return 0;
    const ssize_t n = ::read(fdOf(handle_), buffer, static_cast<std::size_t>(count));  // non-blocking fd
    return n > 0 ? static_cast<int>(n) : 0;
}

int CSerialPort::readAvailable(std::uint8_t* buffer, int count, std::int64_t timeoutUs) {
    if (!isOpen() || buffer == nullptr || count <= 0) return -1;
    const int fd = fdOf(handle_);
    const int ev =
        waitFor(fd, POLLIN, Clock::now() + std::chrono::microseconds(std::max<std::int64_t>(timeoutUs, 0)));
    if (ev == 0) return 0;
    if (ev > 0 && (ev & POLLIN)) {
        const ssize_t n = ::read(fd, buffer, static_cast<std::size_t>(count));
        if (n > 0) return static_cast<int>(n);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
    }
    closeAfterFailure();  // hang-up or error without data, or end of file on a vanished device
    return -1;
}

int CSerialPort::Read(std::uint8_t* buffer, int count) {
    if (!isOpen() || buffer == nullptr || count <= 0) return 0;
    const int fd = fdOf(handle_);
    const auto m = std::chrono::milliseconds(charTimeoutMs_);
    const auto total = Clock::now() + std::chrono::milliseconds(100) + m * count;
    auto deadline = total;
    int got = 0;
    while (got < count) {
        const int ev = waitFor(fd, POLLIN, deadline);
        if (ev < 0) break;
        if (ev == 0) return got;    // total or inter-byte time-out
        if (!(ev & POLLIN)) break;  // hang-up or error without data
        const ssize_t n = ::read(fd, buffer + got, static_cast<std::size_t>(count - got));
        if (n > 0) {
            got += static_cast<int>(n);
            deadline = std::min(total, Clock::now() + m);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        break;  // read error, or end of file on a vanished device
    }
    if (got == count) return got;
    closeAfterFailure();
    return 0;
}

int CSerialPort::Write(const std::uint8_t* buffer, int count) {
    if (!isOpen() || readOnly_ || buffer == nullptr || count <= 0) return 0;
    const int fd = fdOf(handle_);
    const auto deadline = Clock::now() + std::chrono::milliseconds(charTimeoutMs_) * count;
    int done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd, buffer + done, static_cast<std::size_t>(count - done));
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) break;
        const int ev = waitFor(fd, POLLOUT, deadline);
        if (ev == 0) return done;  // write time-out: a short count, not a failure of the device
        if (ev < 0 || !(ev & POLLOUT)) break;
    }
    if (done != count) {
        closeAfterFailure();
        return 0;
    }
    drainUntil(deadline);
    return done;
}

// A synchronous serial write returns once the bytes have gone out; write() returns once the driver holds
// them. Waiting for the transmit queue to empty keeps the master's response time-out from counting the
// request's own transmission (2 s for a 255-byte frame at 1200 baud). Bounded by the write's deadline.
void CSerialPort::drainUntil(std::chrono::steady_clock::time_point deadline) {
    const int fd = fdOf(handle_);
    const auto perChar = std::chrono::microseconds(10'000'000 / std::max<std::uint32_t>(baudRate_, 1));
    for (;;) {
        int queued = 0;
        if (ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) return;
        const auto now = Clock::now();
        if (now >= deadline) return;
        const auto wait = std::max<Clock::duration>(perChar * queued, std::chrono::microseconds(200));
        std::this_thread::sleep_for(std::min<Clock::duration>(wait, deadline - now));
    }
}

}  // namespace talvex
