// Small helpers shared by the acquisition tests.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

#include "talvex/acquisition/measurement.hpp"
#include "talvex/testing/temp_dir.hpp"

namespace talvex::acquisition::test {

using TempDir = talvex::testing::TempDir;

// English texts of the keys the acquisition core looks up.
inline std::string englishText(std::string_view key) {
    static const std::map<std::string, std::string, std::less<>> texts = {
        {"IDS_Tab_Acquisition_PollSucceed", "Polling Succeed"},
        {"IDS_Tab_Acquisition_PollFailed", "Polling Failed"},
        {"IDS_FirstUse_PollTimeout", "time-out"},
        {"IDS_FirstUse_PollCrc", "CRC error"},
        {"IDS_Tab_Acquisition_DatabaseFailed", "Database open failed,Please check and try again."},
        {"IDS_Tab_Acquisition_DatabaseLinkedError",
         "Operation failed,database linked_list generation error."},
        {"IDS_Tab_Acquisition_NoData", "No data found for this SensorId!"},
        {"IDS_Tab_Acquisition_ExportedTo", "Exported to"},
        {"IDS_Tab_Acquisition_CSVfailed", "CSV file open failed"},
        {"IDS_Safety_RecordsNotStored", "Measurements are not being stored in the database"},
        {"IDS_Safety_RecordsStoredAgain",
         "Measurements are stored in the database again; dropped meanwhile:"},
    };
    const auto it = texts.find(key);
    return it == texts.end() ? "Not found" : it->second;
}

// A record of sensor id whose H2DG field carries n, so tests can tell records apart.
inline TextRecord numberedRecord(unsigned id, int n) {
    return {
        std::to_string(id), "2026-01-02 03:04:05", std::to_string(n), "0", "20.0", "0", "0.0", "0.0", "0"};
}

}  // namespace talvex::acquisition::test
