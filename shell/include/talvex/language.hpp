// Language lookup: key -> text of the active table (UTF-8). The two tables, English and Chinese,
// are compiled into the program as INI text (shell/src/language_table_*.cpp).
#pragma once

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "talvex/app_paths.hpp"

namespace talvex {

enum class Language { English, Chinese };

// Text of key in the active language; "Not found" for an unknown key. Keys compare without regard
// to case; a literal "\n" in the table becomes a line break. Thread-safe.
std::string GetText(std::string_view key);
// GetText with %1, %2, ... replaced by values (a translation may put them in its own order); a value
// is never read again for marks of its own.
std::string GetTextWith(std::string_view key, std::initializer_list<std::string_view> values);

Language activeLanguage();

// Same lookup in a given table (used for labels that must be recognised in either language).
std::string GetTextIn(Language language, std::string_view key);

// The table's text for key exactly as written (no line-break replacement), or nullopt.
std::optional<std::string> findTableText(Language language, std::string_view key);

// Caption re-labelling text: the active table's entry as written, "" when the key is missing.
std::string captionText(std::string_view key);

// The whole table text (INI form, UTF-8).
std::string_view languageTable(Language language);

// "English" / "Chinese", the words of the language box in every language.
std::string_view languageName(Language language);
// "Chinese" in any case selects Chinese; every other name selects English.
Language languageFromName(std::string_view name);

void setActiveLanguage(Language language);

// Makes a language active and writes its name to Setting/Language of the settings file. An empty
// name takes the one stored there ("English" when there is none). Returns false when the file
// could not be written (error says why); the language is active all the same.
bool LoadLanguage(const std::filesystem::path& settingsFile, std::string_view name,
                  std::string* error = nullptr);
bool LoadLanguage(std::string_view name);  // the settings file of appPaths()
// The language before a program's options are known: Setting/Language of the default data
// directory's setting.ini when that file exists, else English. Only reads: a program whose
// arguments are refused writes nothing.
void useDefaultDirLanguage();

// First-run language: Setup/Language of install_lang.ini when not empty, else the user's
// language from LANGUAGE, LC_ALL, LC_MESSAGES or LANG (the first one set): "Chinese" for zh*.
std::string DetectInstallLanguage(const std::filesystem::path& installLanguageFile,
                                  EnvLookup env = processEnv);
std::string DetectInstallLanguage();

// The default settings file written on a first run: "[Setting]", "Language=English", CR LF ends.
inline constexpr std::string_view kDefaultSettings = "[Setting]\r\nLanguage=English\r\n";

struct LanguageStartup {
    bool createdSettings = false;  // setting.ini did not exist and was created
    bool ok = true;                // false when setting.ini could not be written
    std::string error;
};

// Start-up steps: create setting.ini from the default and the detected language when it does not
// exist, then make the language stored in it active.
LanguageStartup startLanguage(const AppPaths& paths, EnvLookup env = processEnv);

}  // namespace talvex
