// Opening the link for the window: a port the user may not open says why and names the group that
// grants access. Runs the open in a child process without root rights (root may open anything).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "link_session.hpp"

namespace talvex::ui {
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

}  // namespace
}  // namespace talvex::ui
