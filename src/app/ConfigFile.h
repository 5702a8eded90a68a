#pragma once
// The main configuration file beside the executable, and further files in the
// same syntax: a [defaults] section of tags and a [directories] section of
// directory nodes.

#include <cstdio>

namespace vorlan {

struct Settings;
struct FileDescriptor;

// Fills the defaults, defines ROOT and reads the main configuration file,
// reporting on standard output. False means exit code 12.
bool LoadMainConfiguration(Settings& settings);
// Reads a configuration file over the settings record.
bool LoadConfigurationFile(const FileDescriptor& descriptor, Settings& settings, FILE* reportStream);

}  // namespace vorlan
