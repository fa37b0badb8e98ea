// English texts of the safety pages and operations; appended to the main English table.
#include "../language_tables.hpp"

namespace talvex::tables {

const std::string_view kSafetyEnglish = R"TABLE([String]
IDS_Safety_ConfigReadOnly=Config.ini is read-only; channel changes are not saved to it
IDS_Safety_ConfigNotWritten=Config.ini cannot be written
IDS_Safety_ConfigDefaultsInMemory=Config.ini cannot be written; the default channels are kept in memory only
IDS_Safety_ConfigUnreadable=Config.ini cannot be read; using the defaults
IDS_Safety_ConfigGarbled=Config.ini holds bytes that are not text; they were replaced
IDS_Safety_ConfigNoChannel=Config.ini holds no channel; using the defaults
IDS_Safety_ConfigUnconverted=Config.ini was left unconverted
IDS_Safety_ConfigTooManyEntries=it holds entries the conversion cannot carry over
IDS_Safety_ConfigRestored=The language conversion of Config.ini came out short; the file was restored
IDS_Safety_SettingsNotWritten=setting.ini cannot be written
IDS_Safety_ExportOverOwnFile=An export never replaces the measurement database or a settings file; choose another file
IDS_Safety_RecordsNotStored=Measurements are not being stored in the database; they are dropped until it accepts them again
IDS_Safety_RecordsStoredAgain=Measurements are stored in the database again; records dropped meanwhile:
IDS_Safety_ExportExists=The file already exists; use --force to replace it
IDS_Safety_ExportNotRegular=Only a regular file is replaced; this is a folder, a device or another special file
)TABLE";

}  // namespace talvex::tables
