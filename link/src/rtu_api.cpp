// The RTU call interface: C functions over the one process-wide master. Every call that touches the port
// holds linkLock() for its whole length, so requests from several threads never interleave on the wire.
#include <array>
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

#include "talvex/com_device.hpp"
#include "talvex/modbus.hpp"
#include "talvex/rtu.h"

namespace {

using talvex::CModbus;
using talvex::HistoryReadOptions;

// Recursive so that a history progress callback may ask RTUIsOpen without deadlocking.
std::recursive_mutex& linkLock() {
    static std::recursive_mutex lock;
    return lock;
}

// Guarded by linkLock(). Never destroyed: the link lives until the process ends, and a thread still inside a
// transaction at exit must not meet a destroyed object.
CModbus& link() {
    static CModbus* const master = new CModbus();
    return *master;
}

HistoryReadOptions& history() {  // guarded by linkLock()
    static HistoryReadOptions options;
    return options;
}

int lastOpenFailure = RTU_OPEN_OK;  // guarded by linkLock()
std::string& lastOpenHolder() {     // guarded by linkLock()
    static std::string* const text = new std::string();
    return *text;
}

// The tap's listeners. Its own lock, not the link's: attaching must not wait for a transaction's time-out.
// The master calls onFrame only while at least one listener is attached.
class TapHub final : public talvex::FrameSink {
  public:
    bool add(RTUFrameFn fn, void* user) {
        std::lock_guard guard(mutex_);
        if (fn == nullptr) return false;
        for (const auto& l : listeners_)
            if (l.first == fn && l.second == user) return false;
        for (auto& l : listeners_) {
            if (l.first == nullptr) {
                l = {fn, user};
                if (++count_ == 1) link().setFrameSink(this);
                return true;
            }
        }
        return false;
    }
    void remove(RTUFrameFn fn, void* user) {
        std::lock_guard guard(mutex_);
        for (auto& l : listeners_) {
            if (l.first == fn && l.second == user && fn != nullptr) {
                l = {nullptr, nullptr};
                if (--count_ == 0) link().setFrameSink(nullptr);
            }
        }
    }
    void onFrame(const talvex::FrameEvent& e) override {
        const RTUFrame frame{e.timeUs,        static_cast<int>(e.direction), static_cast<int>(e.outcome),
                             e.retry ? 1 : 0, static_cast<int>(e.length),    e.bytes};
        std::lock_guard guard(mutex_);  // held while listeners run, so removal waits for them
        for (const auto& l : listeners_)
            if (l.first != nullptr) l.first(&frame, l.second);
    }

  private:
    std::mutex mutex_;
    std::array<std::pair<RTUFrameFn, void*>, RTU_TAP_LISTENERS> listeners_{};
    int count_ = 0;
};

TapHub& tapHub() {  // never destroyed, like the link
    static TapHub* const hub = new TapHub();
    return *hub;
}

static_assert(static_cast<int>(talvex::FrameOutcome::Stream) == RTU_OUTCOME_STREAM);
static_assert(static_cast<int>(talvex::FrameOutcome::Late) == RTU_OUTCOME_LATE);
static_assert(static_cast<int>(talvex::FrameDirection::Response) == RTU_FRAME_RESPONSE);

std::uint8_t slaveOf(int slave) {
    return static_cast<std::uint8_t>(slave & 0xFF);
}
std::uint16_t word(int value) {
    return static_cast<std::uint16_t>(value & 0xFFFF);
}
std::uint8_t code8(int value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

int openDevice(const char* path, int baudRate, int byteSize, int parity, int stopBits) {
    CModbus& m = link();
    const int ok = m.Open(path, static_cast<std::uint32_t>(baudRate < 0 ? 0 : baudRate), code8(byteSize),
                          code8(parity), code8(stopBits));
    lastOpenFailure = static_cast<int>(m.lastOpenFailure());
    lastOpenHolder() = m.lastOpenHolder();
    return ok;
}

const char* exceptionText(int c) {
    switch (c) {
        case 1:
            return "Modbus exception 1: illegal function";
        case 2:
            return "Modbus exception 2: illegal data address";
        case 3:
            return "Modbus exception 3: illegal data value";
        case 4:
            return "Modbus exception 4: slave device failure";
        case 5:
            return "Modbus exception 5: acknowledge";
        case 6:
            return "Modbus exception 6: slave device busy";
        case 7:
            return "Modbus exception 7: negative acknowledge";
        case 8:
            return "Modbus exception 8: memory parity error";
        case 10:
            return "Modbus exception 10: gateway path unavailable";
        case 11:
            return "Modbus exception 11: gateway target device failed to respond";
        default:
            break;
    }
    thread_local char text[48];
    std::snprintf(text, sizeof text, "Modbus exception %d", c);
    return text;
}

}  // namespace

extern "C" {

int RTUOpenCom(int port, int baudRate, int byteSize, int parity, int stopBits) {
    std::lock_guard guard(linkLock());
    if (port < 1 || port > 99) {
        lastOpenFailure = RTU_OPEN_BAD_PORT;
        return 0;
    }
    const std::string device = talvex::comDevicePath(port);
    return openDevice(device.c_str(), baudRate, byteSize, parity, stopBits);
}

int RTUOpenDevice(const char* path, int baudRate, int byteSize, int parity, int stopBits) {
    std::lock_guard guard(linkLock());
    return openDevice(path, baudRate, byteSize, parity, stopBits);
}

void RTUCloseCom(void) {
    std::lock_guard guard(linkLock());
    link().Close();
}

int RTUIsOpen(void) {
    std::lock_guard guard(linkLock());
    return link().isOpen() ? 1 : 0;
}

int RTULastOpenFailure(void) {
    std::lock_guard guard(linkLock());
    return lastOpenFailure;
}

const char* RTULastOpenHolder(void) {
    std::lock_guard guard(linkLock());
    return lastOpenHolder().c_str();
}

int RTUReadCoils(int slave, int start, int quantity, unsigned char* dest) {
    std::lock_guard guard(linkLock());
    return link().ReadBits(slaveOf(slave), 1, word(start), word(quantity), dest);
}

int RTUReadDiscreteInputs(int slave, int start, int quantity, unsigned char* dest) {
    std::lock_guard guard(linkLock());
    return link().ReadBits(slaveOf(slave), 2, word(start), word(quantity), dest);
}

int RTUReadHoldingRegisters(int slave, int start, int quantity, unsigned char* dest) {
    std::lock_guard guard(linkLock());
    return link().ReadRegistersRetry(slaveOf(slave), 3, word(start), word(quantity), dest);
}

int RTUReadInputRegisters(int slave, int start, int quantity, unsigned char* dest) {
    std::lock_guard guard(linkLock());
    return link().ReadRegistersRetry(slaveOf(slave), 4, word(start), word(quantity), dest);
}

int RTUWriteSingleCoil(int slave, int address, int value) {
    const std::uint16_t v = word(value);
    if (v != 0x0000 && v != 0xFF00) return RTU_ERR_COIL_VALUE;
    std::lock_guard guard(linkLock());
    return link().WriteSingle(slaveOf(slave), 5, word(address), v) & 0xFFFF;
}

int RTUWriteSingleRegister(int slave, int address, int value) {
    std::lock_guard guard(linkLock());
    return link().WriteSingle(slaveOf(slave), 6, word(address), word(value));
}

int RTUWriteSingleRegister22(int slave, int address, int value) {
    std::lock_guard guard(linkLock());
    return link().WriteRegisterReceiveHistory(slaveOf(slave), word(address), word(value), history());
}

int RTUStartHistoryOutput(int slave) {
    std::lock_guard guard(linkLock());
    return link().SendHistoryStart(slaveOf(slave));
}

int RTUReadBytes(unsigned char* dest, int count) {
    if (dest == nullptr || count <= 0) return 0;
    std::lock_guard guard(linkLock());
    return link().ReadStream(dest, count);
}

int RTUWriteMultipleCoils(int slave, int start, int quantity, const unsigned char* src) {
    std::lock_guard guard(linkLock());
    return link().WriteMultiple(slaveOf(slave), 15, word(start), word(quantity), src);
}

int RTUWriteMultipleRegisters(int slave, int start, int quantity, const unsigned char* src) {
    std::lock_guard guard(linkLock());
    return link().WriteMultiple(slaveOf(slave), 16, word(start), word(quantity), src);
}

int RTUAddFrameListener(RTUFrameFn fn, void* user) {
    return tapHub().add(fn, user) ? 1 : 0;
}

void RTURemoveFrameListener(RTUFrameFn fn, void* user) {
    tapHub().remove(fn, user);
}

void RTUSetHistoryOptions(int ready, int recordFormat, int recordCount, RTUProgressFn progress, void* user) {
    std::lock_guard guard(linkLock());
    HistoryReadOptions& h = history();
    h.ready = ready != 0;
    h.recordFormat = recordFormat;
    h.recordCount = recordCount < 0 ? 0u : static_cast<std::uint32_t>(recordCount);
    if (progress != nullptr)
        h.progress = [progress, user](int percent) { progress(percent, user); };
    else
        h.progress = nullptr;
}

int RTUHistoryRecordCount(void) {
    std::lock_guard guard(linkLock());
    return static_cast<int>(history().recordCount);
}

const char* RTUResultText(int code) {
    const int c = code & 0xFFFF;
    switch (c) {
        case RTU_OK:
            return "success";
        case RTU_ERR_SLAVE:
            return "slave address outside 1..247";
        case RTU_ERR_FUNCTION:
            return "function code not served by this call";
        case RTU_ERR_QUANTITY:
            return "quantity out of range";
        case RTU_ERR_COIL_VALUE:
            return "coil value must be 0x0000 or 0xFF00";
        case RTU_ERR_BUFFER:
            return "no data buffer given";
        case RTU_ERR_CRC:
            return "CRC error in the response";
        case RTU_ERR_SLAVE_ECHO:
            return "response from another slave address";
        case RTU_ERR_FUNCTION_ECHO:
            return "response with another function code";
        case RTU_ERR_WRITE_ECHO:
            return "write response does not match the request";
        case RTU_ERR_BYTE_COUNT:
            return "response byte count wrong";
        case RTU_ERR_SEND:
            return "send failed (port closed or not writable)";
        case RTU_ERR_TIMEOUT:
            return "no complete response (time-out)";
        default:
            break;
    }
    if (c & RTU_EXCEPTION) return exceptionText(c & 0xFF);
    return "unknown result code";
}

}  // extern "C"
