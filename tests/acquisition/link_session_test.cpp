// Opening and closing the one link of a run: a port the user may not open says why and names the
// group that grants access (in a child without root rights: root may open anything); the simulated
// bus the program supplies opens through the same session and gates the poller.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "talvex/acquisition/link_arbiter.hpp"
#include "talvex/acquisition/link_session.hpp"
#include "talvex/language.hpp"
#include "talvex/rtu.h"
#include "talvex/sensor_registers.hpp"
#include "talvex/sim/sim_bus.hpp"

namespace talvex::acquisition {
namespace {

TEST(LinkSession, PortWithoutPermissionSaysSoAndNamesTheDialoutGroup) {
    const auto device =
        std::filesystem::temp_directory_path() / ("talvex-denied-" + std::to_string(::getpid()));
    std::ofstream(device).put('x');
    ASSERT_EQ(::chmod(device.c_str(), 0), 0);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
        LinkSession link(nullptr);
        const LinkSession::Result r = link.openDevice(device.string(), 19200);
        const bool named = r.reason.find("dialout") != std::string::npos &&
                           r.reason.find(device.string()) != std::string::npos;
        ::_exit(r.ok ? 4 : !r.permissionDenied ? 5 : !named ? 6 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    std::filesystem::remove(device);
    ASSERT_TRUE(WIFEXITED(status));
    // 3: could not drop root rights; 4: opened; 5: another reason; 6: the text lacks group or device.
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

class PtyBus final : public StartedBus {
  public:
    explicit PtyBus(int baud)
        : bus_([baud] {
              sim::BusOptions o;
              o.baud = baud;
              o.sensors = {sim::defaultSensorConfig(1, SensorModel::KA)};
              return o;
          }()) {}
    bool start(std::string& error) { return bus_.start(&error); }
    std::string path() const override { return bus_.slavePath(); }

  private:
    sim::SimBus bus_;
};

TEST(LinkSession, SimulatedBusOpensThroughTheStarterAndGatesThePoller) {
    int starts = 0;
    LinkArbiter arbiter;
    {
        LinkSession link(&arbiter, [&starts](int baud, SensorModel, std::string& error) {
            ++starts;
            auto bus = std::make_unique<PtyBus>(baud);
            return bus->start(error) ? std::unique_ptr<StartedBus>(std::move(bus)) : nullptr;
        });
        ASSERT_TRUE(link.openSimulatedBus(19200, SensorModel::KA).ok);
        EXPECT_TRUE(link.isOpen());
        EXPECT_EQ(arbiter.gate(), 1);
        unsigned char id[2] = {};
        EXPECT_EQ(RTUReadHoldingRegisters(1, sensor::reg::kSensorId, 1, id) & 0xFFFF, 0);
        EXPECT_EQ(id[0] << 8 | id[1], 1);  // the sensor answers on the opened link
        const std::string path = link.simulatedBusPath();

        link.close();
        EXPECT_FALSE(link.isOpen());
        EXPECT_EQ(arbiter.gate(), 0);
        EXPECT_TRUE(arbiter.linkClosed());
        // Reconnecting at the same rate keeps the running bus; another rate starts it afresh.
        ASSERT_TRUE(link.openSimulatedBus(19200, SensorModel::KA).ok);
        EXPECT_EQ(link.simulatedBusPath(), path);
        EXPECT_EQ(starts, 1);
        link.close();
        ASSERT_TRUE(link.openSimulatedBus(9600, SensorModel::KA).ok);
        EXPECT_EQ(starts, 2);
    }  // the session closes an open link when it ends
    EXPECT_NE(RTUIsOpen(), 1);
    EXPECT_TRUE(arbiter.linkClosed());
}

TEST(LinkSession, WithoutAStarterOrAPortItSaysWhyAndKeepsTheLinkClosed) {
    LinkArbiter arbiter;
    LinkSession link(&arbiter);
    const LinkSession::Result noBus = link.openSimulatedBus(19200, SensorModel::KA);
    EXPECT_FALSE(noBus.ok);
    EXPECT_FALSE(noBus.reason.empty());
    const LinkSession::Result missing = link.openDevice("/dev/talvex-no-such-port", 19200);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.reason.find("/dev/talvex-no-such-port"), std::string::npos) << missing.reason;
    EXPECT_TRUE(arbiter.linkClosed());
    EXPECT_EQ(arbiter.gate(), 0);
}

// The reason is shown as it comes, so it speaks the user's language, and still names the device.
TEST(LinkSession, TheReasonSpeaksTheActiveLanguage) {
    LinkSession link(nullptr);
    const struct {
        Language language;
        std::string missing, noBus;
    } cases[] = {
        {Language::English, "/dev/talvex-no-such-port does not exist", "this program has no simulated bus"},
        {Language::Chinese, "/dev/talvex-no-such-port 不存在", "本程序没有模拟总线"},
    };
    for (const auto& c : cases) {
        setActiveLanguage(c.language);
        EXPECT_EQ(link.openDevice("/dev/talvex-no-such-port", 19200).reason, c.missing);
        EXPECT_EQ(link.openSimulatedBus(19200, SensorModel::KA).reason, c.noBus);
    }
    setActiveLanguage(Language::English);
}

}  // namespace
}  // namespace talvex::acquisition
