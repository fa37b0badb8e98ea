// Loads libtalvex_rtu.so the way another program would and calls the thirteen exported functions by name.
// A binary of its own, so the library's link object is fresh: nothing has been opened yet.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "pty_slave.hpp"
#include "talvex/rtu.h"

namespace {

using namespace talvex::test;

class RtuLibrary : public ::testing::Test {
  protected:
    void SetUp() override {
        handle_ = dlopen(TALVEX_RTU_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
    }
    void TearDown() override {
        if (handle_) dlclose(handle_);
    }
    template <typename Fn>
    Fn fn(const char* name) {
        void* p = dlsym(handle_, name);
        EXPECT_NE(p, nullptr) << name;
        return reinterpret_cast<Fn>(p);
    }
    void* handle_ = nullptr;
};

using OpenComFn = int (*)(int, int, int, int, int);
using CloseFn = void (*)();
using ReadFn = int (*)(int, int, int, unsigned char*);
using WriteSingleFn = int (*)(int, int, int);
using SlaveFn = int (*)(int);
using ReadBytesFn = int (*)(unsigned char*, int);
using WriteMultiFn = int (*)(int, int, int, const unsigned char*);
using OpenDeviceFn = int (*)(const char*, int, int, int, int);

TEST_F(RtuLibrary, ThirteenFunctionsByNameBeforeAndAfterOpening) {
    auto openCom = fn<OpenComFn>("RTUOpenCom");
    auto closeCom = fn<CloseFn>("RTUCloseCom");
    const char* readNames[] = {"RTUReadCoils", "RTUReadDiscreteInputs", "RTUReadHoldingRegisters",
                               "RTUReadInputRegisters"};
    const char* writeNames[] = {"RTUWriteSingleCoil", "RTUWriteSingleRegister", "RTUWriteSingleRegister22"};
    const char* multiNames[] = {"RTUWriteMultipleCoils", "RTUWriteMultipleRegisters"};
    auto startHistory = fn<SlaveFn>("RTUStartHistoryOutput");
    auto readBytes = fn<ReadBytesFn>("RTUReadBytes");
    ASSERT_FALSE(HasFailure());

    // Nothing opened yet: requests fail as on a closed port and read nothing.
    unsigned char buf[8] = {};
    for (const char* name : readNames) EXPECT_EQ(fn<ReadFn>(name)(1, 0, 1, buf), RTU_ERR_SEND) << name;
    for (const char* name : writeNames) EXPECT_EQ(fn<WriteSingleFn>(name)(1, 0, 0), RTU_ERR_SEND) << name;
    for (const char* name : multiNames) EXPECT_EQ(fn<WriteMultiFn>(name)(1, 0, 1, buf), RTU_ERR_SEND) << name;
    EXPECT_EQ(startHistory(1), RTU_ERR_SEND);
    EXPECT_EQ(readBytes(buf, 8), 0);
    EXPECT_EQ(openCom(0, 19200, 8, 0, 0), 0);

    PtyPair pty;
    ScriptedSlave slave(pty.masterFd(), registerBank(5));
    ASSERT_EQ(fn<OpenDeviceFn>("RTUOpenDevice")(pty.slavePath().c_str(), 19200, 8, 0, 0), 1);
    for (const char* name : readNames) EXPECT_EQ(fn<ReadFn>(name)(5, 0, 2, buf), RTU_OK) << name;
    EXPECT_EQ(buf[3], 1001 & 0xFF);  // the last read was of input registers 0 and 1
    EXPECT_EQ(fn<WriteSingleFn>("RTUWriteSingleCoil")(5, 0, 0xFF00), RTU_OK);
    EXPECT_EQ(fn<WriteSingleFn>("RTUWriteSingleRegister")(5, 0, 7), RTU_OK);
    for (const char* name : multiNames) EXPECT_EQ(fn<WriteMultiFn>(name)(5, 0, 1, buf), RTU_OK) << name;
    EXPECT_EQ(fn<WriteSingleFn>("RTUWriteSingleRegister22")(5, 0x66, 1), RTU_OK);  // history not armed
    EXPECT_EQ(startHistory(5), RTU_OK);
    EXPECT_TRUE(slave.waitForRequests(10));
    closeCom();
    EXPECT_EQ(fn<ReadFn>("RTUReadHoldingRegisters")(5, 0, 1, buf), RTU_ERR_SEND);
    EXPECT_EQ(readBytes(buf, 8), 0);
}

TEST_F(RtuLibrary, ExportsOnlyTheInterface) {
    // The static core inside stays hidden; a C++ symbol of it must not resolve.
    EXPECT_EQ(dlsym(handle_, "_ZN6talvex5crc16EPKhm"), nullptr);
    EXPECT_NE(dlsym(handle_, "RTUResultText"), nullptr);
}

}  // namespace
