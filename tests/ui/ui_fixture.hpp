// Shared set-up of the widget tests: a QApplication on the offscreen platform, a fresh data
// directory per test, English at start, and a prompter that records instead of showing boxes.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QString>
#include <filesystem>
#include <ostream>
#include <vector>

#include "talvex/acquisition/acquisition_engine.hpp"
#include "talvex/ui/prompter.hpp"

// Readable QString values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace talvex::ui::test {

class RecordingPrompter : public Prompter {
  public:
    void message(QWidget*, const QString& text, const QString&, Icon) override { texts.push_back(text); }
    bool saw(const QString& part) const {
        for (const auto& t : texts)
            if (t.contains(part)) return true;
        return false;
    }
    std::vector<QString> texts;
};

class UiTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path dir_;
    RecordingPrompter prompts_;
};

std::string readFile(const std::filesystem::path& path);

// The engine options the program uses: ModelKA, the RTU library as reader, texts from the active
// language, and SensorDB.db in `dir`.
acquisition::EngineOptions programEngineOptions(const std::filesystem::path& dir);

}  // namespace talvex::ui::test
