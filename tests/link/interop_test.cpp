// Our master against an independent slave: libmodbus serving a register map on one pseudo-terminal,
// bridged byte for byte to the pseudo-terminal our master opens (what socat does between two ptys).
#include <gtest/gtest.h>
#include <modbus.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "pty_slave.hpp"
#include "talvex/rtu.h"

namespace {

using talvex::test::PtyPair;

constexpr int kSlave = 7;

// Copies bytes between the master sides of two pty pairs until stopped.
class PtyBridge {
  public:
    PtyBridge(int a, int b) : a_(a), b_(b) {
        (void)!pipe(stop_);
        thread_ = std::thread([this] { run(); });
    }
    ~PtyBridge() {
        (void)!write(stop_[1], "x", 1);
        thread_.join();
        close(stop_[0]);
        close(stop_[1]);
    }

  private:
    void run() {
        for (;;) {
            pollfd p[3] = {{a_, POLLIN, 0}, {b_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
            if (poll(p, 3, -1) < 0 && errno != EINTR) return;
            if (p[2].revents) return;
            bool idle = true;
            for (int i = 0; i < 2; ++i) {
                if (!(p[i].revents & POLLIN)) continue;
                unsigned char buf[512];
                const ssize_t n = read(p[i].fd, buf, sizeof buf);
                if (n > 0) {
                    (void)!write(i == 0 ? b_ : a_, buf, static_cast<std::size_t>(n));
                    idle = false;
                }
            }
            if (idle) usleep(1000);  // a side without a reader reports hang-up; do not spin on it
        }
    }
    int a_, b_;
    int stop_[2] = {-1, -1};
    std::thread thread_;
};

class LibmodbusSlave {
  public:
    explicit LibmodbusSlave(const std::string& path) {
        ctx_ = modbus_new_rtu(path.c_str(), 19200, 'N', 8, 1);
        map_ = modbus_mapping_new(64, 64, 200, 200);
        for (int i = 0; i < 200; ++i) {
            map_->tab_registers[i] = static_cast<std::uint16_t>(500 + i);
            map_->tab_input_registers[i] = static_cast<std::uint16_t>(900 + i);
        }
        for (int i = 0; i < 64; ++i) map_->tab_input_bits[i] = static_cast<std::uint8_t>(i % 3 == 0);
        modbus_set_slave(ctx_, kSlave);
        modbus_set_indication_timeout(ctx_, 0, 50000);
        ready_ = modbus_connect(ctx_) == 0;
        thread_ = std::thread([this] { run(); });
    }
    ~LibmodbusSlave() {
        stop_ = true;
        thread_.join();
        modbus_close(ctx_);
        modbus_mapping_free(map_);
        modbus_free(ctx_);
    }
    bool ready() const { return ready_; }

  private:
    void run() {
        std::uint8_t request[MODBUS_RTU_MAX_ADU_LENGTH];
        while (ready_ && !stop_) {
            const int n = modbus_receive(ctx_, request);
            if (n > 0) modbus_reply(ctx_, request, n, map_);
        }
    }
    modbus_t* ctx_ = nullptr;
    modbus_mapping_t* map_ = nullptr;
    bool ready_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(Interop, EveryFunctionAgainstLibmodbus) {
    PtyPair ours;
    PtyPair theirs;
    PtyBridge bridge(ours.masterFd(), theirs.masterFd());
    LibmodbusSlave slave(theirs.slavePath());
    ASSERT_TRUE(slave.ready());
    ASSERT_EQ(RTUOpenDevice(ours.slavePath().c_str(), 19200, 8, 0, 0), 1);

    unsigned char buf[250] = {};
    ASSERT_EQ(RTUReadHoldingRegisters(kSlave, 10, 125, buf), RTU_OK);
    EXPECT_EQ((buf[0] << 8) | buf[1], 510);
    EXPECT_EQ((buf[248] << 8) | buf[249], 634);
    ASSERT_EQ(RTUReadInputRegisters(kSlave, 0, 2, buf), RTU_OK);
    EXPECT_EQ((buf[2] << 8) | buf[3], 901);
    ASSERT_EQ(RTUReadDiscreteInputs(kSlave, 0, 9, buf), RTU_OK);
    EXPECT_EQ(buf[0], 0b01001001);  // inputs 0, 3, 6 set; bit 0 is the first input
    EXPECT_EQ(buf[1], 0);           // input 8, the ninth, is clear

    // Writes are checked by reading them back through the slave.
    ASSERT_EQ(RTUWriteSingleRegister(kSlave, 3, 0xBEEF), RTU_OK);
    const unsigned char words[4] = {0x12, 0x34, 0xAB, 0xCD};
    ASSERT_EQ(RTUWriteMultipleRegisters(kSlave, 20, 2, words), RTU_OK);
    ASSERT_EQ(RTUReadHoldingRegisters(kSlave, 3, 1, buf), RTU_OK);
    EXPECT_EQ((buf[0] << 8) | buf[1], 0xBEEF);
    ASSERT_EQ(RTUReadHoldingRegisters(kSlave, 20, 2, buf), RTU_OK);
    EXPECT_EQ((buf[2] << 8) | buf[3], 0xABCD);
    ASSERT_EQ(RTUWriteSingleCoil(kSlave, 5, 0xFF00), RTU_OK);
    const unsigned char coils[2] = {0b10100101, 0b00000011};
    ASSERT_EQ(RTUWriteMultipleCoils(kSlave, 8, 10, coils), RTU_OK);
    ASSERT_EQ(RTUReadCoils(kSlave, 0, 18, buf), RTU_OK);
    EXPECT_EQ(buf[0], 0b00100000);  // coil 5
    EXPECT_EQ(buf[1], 0b10100101);  // coils 8..15
    EXPECT_EQ(buf[2], 0b00000011);  // coils 16, 17

    EXPECT_EQ(RTUReadHoldingRegisters(kSlave, 199, 2, buf), RTU_EXCEPTION + 2);  // past the map
    RTUCloseCom();
}

}  // namespace
