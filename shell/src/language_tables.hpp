// The compiled-in language tables, INI text in UTF-8 with a [Setting] and a [String] section.
// Each topic adds its texts in a fragment of its own (tables/<topic>_<language>.cpp, a [String]
// section), so the pages of one topic never touch another's table file. The first entry of a key wins.
#pragma once

#include <array>
#include <string_view>

namespace talvex::tables {
extern const std::string_view kEnglish;
extern const std::string_view kChinese;

extern const std::string_view kDeviceEnglish, kDeviceChinese;
extern const std::string_view kProductionEnglish, kProductionChinese;
extern const std::string_view kCalibrationEnglish, kCalibrationChinese;
extern const std::string_view kFittingEnglish, kFittingChinese;
extern const std::string_view kHistoryEnglish, kHistoryChinese;
extern const std::string_view kDiagnosticsEnglish, kDiagnosticsChinese;
extern const std::string_view kSafetyEnglish, kSafetyChinese;
extern const std::string_view kFirstuseEnglish, kFirstuseChinese;
extern const std::string_view kCliEnglish, kCliChinese;
extern const std::string_view kWindowEnglish, kWindowChinese;

inline std::array<const std::string_view*, 11> englishParts() {
    return {&kEnglish,         &kDeviceEnglish,  &kProductionEnglish,  &kCalibrationEnglish,
            &kFittingEnglish,  &kHistoryEnglish, &kDiagnosticsEnglish, &kSafetyEnglish,
            &kFirstuseEnglish, &kCliEnglish,     &kWindowEnglish};
}
inline std::array<const std::string_view*, 11> chineseParts() {
    return {&kChinese,         &kDeviceChinese,  &kProductionChinese,  &kCalibrationChinese,
            &kFittingChinese,  &kHistoryChinese, &kDiagnosticsChinese, &kSafetyChinese,
            &kFirstuseChinese, &kCliChinese,     &kWindowChinese};
}
}  // namespace talvex::tables
