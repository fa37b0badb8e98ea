// Serial port discovery over a fake sysfs tree, and the list-text rules the port list relies on.
#include "talvex/port_discovery.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A throw-away sysfs: class/tty/<name>/device links into devices/..., as the kernel lays them out.
class FakeSysfs : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("talvex-sysfs-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "class" / "tty");
    }
    void TearDown() override { fs::remove_all(root_); }

    static void write(const fs::path& file, const std::string& text) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text << "\n";
    }
    fs::path ttyDir(const std::string& name) { return root_ / "class" / "tty" / name; }
    void linkDevice(const std::string& name, const fs::path& deviceDir) {
        fs::create_directories(deviceDir);
        fs::create_directories(ttyDir(name));
        fs::create_directory_symlink(deviceDir, ttyDir(name) / "device");
    }
    // A USB converter: usb device 1-1 (idVendor, product, manufacturer) > interface > port.
    void addUsbSerial(const std::string& name, const std::string& product, const std::string& maker,
                      bool acm) {
        const fs::path usbDev = root_ / "devices" / "pci0000:00" / "usb1" / ("1-" + name);
        write(usbDev / "idVendor", "0403");
        if (!product.empty()) write(usbDev / "product", product);
        if (!maker.empty()) write(usbDev / "manufacturer", maker);
        const fs::path iface = usbDev / ("1-" + name + ":1.0");
        linkDevice(name, acm ? iface : iface / name);
    }
    void addLegacyUart(const std::string& name, const std::string& type) {
        linkDevice(name, root_ / "devices" / "platform" / "serial8250" / name);
        write(ttyDir(name) / "type", type);
    }
    void addVirtual(const std::string& name) { fs::create_directories(ttyDir(name)); }

    std::vector<talvex::SSerInfo> enumerate() {
        std::vector<talvex::SSerInfo> ports{{"stale", "", "", false, ""}};
        EXPECT_EQ(talvex::EnumerateSerialPorts(ports, root_, "/dev"), "");
        return ports;
    }

    fs::path root_;
};

TEST_F(FakeSysfs, ListsRealPortsInNaturalOrderWithUsbNames) {
    addVirtual("tty0");
    addVirtual("ptmx");
    addLegacyUart("ttyS0", "4");  // a 16550A
    addLegacyUart("ttyS1", "0");  // reserved slot, no UART
    addLegacyUart("ttyS10", "4");
    addLegacyUart("ttyS2", "4");
    addUsbSerial("ttyUSB0", "FT232R USB UART", "FTDI", false);
    addUsbSerial("ttyACM0", "CDC Sensor Hub", "", true);
    addUsbSerial("ttyUSB1", "", "", false);

    const auto ports = enumerate();
    std::vector<std::string> names;
    for (const auto& p : ports) names.push_back(p.portName);
    EXPECT_EQ(names, (std::vector<std::string>{"ttyACM0", "ttyS0", "ttyS2", "ttyS10", "ttyUSB0", "ttyUSB1"}));

    struct Expected {
        std::string friendly, description, device;
        bool usb;
    };
    const Expected expected[] = {
        {"CDC Sensor Hub (ttyACM0)", "CDC Sensor Hub", "/dev/ttyACM0", true},
        {"Serial port (ttyS0)", "Serial port", "/dev/ttyS0", false},
        {"Serial port (ttyS2)", "Serial port", "/dev/ttyS2", false},
        {"Serial port (ttyS10)", "Serial port", "/dev/ttyS10", false},
        {"FT232R USB UART - FTDI (ttyUSB0)", "FT232R USB UART - FTDI", "/dev/ttyUSB0", true},
        {"USB serial port (ttyUSB1)", "USB serial port", "/dev/ttyUSB1", true},
    };
    ASSERT_EQ(ports.size(), std::size(expected));
    for (std::size_t i = 0; i < ports.size(); ++i) {
        SCOPED_TRACE(ports[i].portName);
        EXPECT_EQ(ports[i].friendlyName, expected[i].friendly);
        EXPECT_EQ(ports[i].description, expected[i].description);
        EXPECT_EQ(ports[i].devicePath, expected[i].device);
        EXPECT_EQ(ports[i].usb, expected[i].usb);
        // The list text of every discovered port leads back to its device.
        EXPECT_EQ(talvex::deviceFromListText(talvex::portListText(ports[i].friendlyName)),
                  expected[i].device);
    }
}

TEST_F(FakeSysfs, ManufacturerAlreadyInProductIsNotRepeated) {
    addUsbSerial("ttyUSB0", "Prolific USB-Serial Controller", "Prolific", false);
    const auto ports = enumerate();
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].friendlyName, "Prolific USB-Serial Controller (ttyUSB0)");
}

TEST_F(FakeSysfs, NoPortIsAnEmptyListWithoutError) {
    addVirtual("tty1");
    addLegacyUart("ttyS3", "0");
    EXPECT_TRUE(enumerate().empty());
}

TEST(PortDiscovery, MissingTtyClassIsAnErrorWithCode) {
    std::vector<talvex::SSerInfo> ports{{"stale", "", "", false, ""}};
    const std::string error = talvex::EnumerateSerialPorts(ports, "/nonexistent-talvex-sysfs");
    EXPECT_NE(error.find("/nonexistent-talvex-sysfs/class/tty"), std::string::npos) << error;
    EXPECT_NE(error.find("(err=2)"), std::string::npos) << error;  // ENOENT
    EXPECT_TRUE(ports.empty());
}

TEST(PortListText, ShortensNamesWhosePortPartStartsAfterPositionSix) {
    const std::pair<std::string, std::string> cases[] = {
        {"FT232R USB UART - FTDI (ttyUSB0)", "FT232R...(ttyUSB0)"},
        {"ABCD (ttyS0)", "ABCD (ttyS0)"},        // "(tty" at position 5
        {"ABCDE (ttyS0)", "ABCDE (ttyS0)"},      // at 6: whole
        {"ABCDEF (ttyS0)", "ABCDEF...(ttyS0)"},  // at 7: the blank goes
        {"Serial port (ttyS12)", "Serial...(ttyS12)"},
        {"(ttyACM0)", "(ttyACM0)"},
        {"Simulated sensor bus", "Simulated sensor bus"},                     // no port part
        {"串口转换器USB接口 (ttyUSB3)", "串口转换器U...(ttyUSB3)"},           // counts characters, not bytes
        {"A long name (ttyUSB0) (ttyUSB1)", "A long...(ttyUSB0) (ttyUSB1)"},  // first marker wins
    };
    for (const auto& [friendly, listed] : cases)
        EXPECT_EQ(talvex::portListText(friendly), listed) << friendly;
}

TEST(PortListText, DeviceComesFromTheNameBetweenTtyAndTheNextParenthesis) {
    const std::pair<std::string, std::string> cases[] = {
        {"FT232R...(ttyUSB0)", "/dev/ttyUSB0"},
        {"Serial port (ttyS12)", "/dev/ttyS12"},
        {"X (ttyAMA0) trailing", "/dev/ttyAMA0"},
        {"Simulated sensor bus", ""},
        {"USB Serial Port (COM3)", ""},
        {"Broken (ttyUSB0", ""},
        {"Bare (tty)", ""},
        {"Escape (tty/../../etc/passwd)", ""},
        {"Dots (ttyS0.bak)", ""},
        {"", ""},
    };
    for (const auto& [text, device] : cases) EXPECT_EQ(talvex::deviceFromListText(text), device) << text;
}

}  // namespace
