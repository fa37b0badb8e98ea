#include "ui_fixture.hpp"

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "talvex/acquisition/measurement_db.hpp"
#include "talvex/app_paths.hpp"
#include "talvex/language.hpp"

namespace talvex::ui::test {

void UiTest::SetUpTestSuite() {
    if (QApplication::instance()) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

void UiTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("talvex-ui-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    AppPaths paths;
    paths.programDir = dir_;
    paths.configDir = dir_;
    paths.dataDir = dir_;
    paths.portable = true;
    setAppPaths(paths);
    LoadLanguage(paths.settingsFile(), "English");
    setActivePrompter(&prompts_);
}

void UiTest::TearDown() {
    setActivePrompter(nullptr);
    std::filesystem::remove_all(dir_);
}

acquisition::EngineOptions programEngineOptions(const std::filesystem::path& dir) {
    acquisition::EngineOptions o;
    o.databasePath = acquisition::databasePath(dir.string());
    o.model = SensorModel::KA;
    o.text = [](std::string_view key) { return GetText(key); };
    o.read = acquisition::rtuRegisterReader();
    return o;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace talvex::ui::test
