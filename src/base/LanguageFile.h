#pragma once
// Language files: "Key = value, value, ... ;" statements that fill the
// language tables, found as LANGFILES:/<name>.ini.

namespace vorlan {

struct Settings;
struct LanguageTables;

// Loads the named language into `tables`; entries the file does not set keep
// what they held. Failures are reported on standard output.
bool LoadLanguageFile(const char16_t* language, const Settings& settings, LanguageTables& tables);

}  // namespace vorlan
