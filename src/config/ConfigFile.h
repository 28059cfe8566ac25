// .cfg files: the file form of the configuration text, scrambled unless saved in ASCII, and the
// loading and saving steps that every user of such files shares (the configuration page, zovcli).
//
// Scrambling XORs every byte with the byte after it (still unscrambled) and the last byte with
// 0xFF; it keeps a casual reader from editing the file, not a determined one. Loading always
// unscrambles first and then requires the file's first five bytes to be "Nemra", so a file
// saved in ASCII is not accepted by the loader.
#pragma once

#include <string>

#include "config/Config.h"

void ScrambleConfigBuffer(std::string& bytes);
void UnscrambleConfigBuffer(std::string& bytes);

// True when bytes start with "Nemra".
bool HasConfigSignature(const std::string& bytes);

// Unscrambles bytes, checks the signature and parses them in file form into config.
// False after "File does not appear to be a valid configuration file!" or a failed parse; the
// caller then discards config.
bool ParseConfigFileBuffer(std::string bytes, CConfig& config);

// Reads the file at path and does ParseConfigFileBuffer. Reports "Error opening file.",
// "File is empty!" and "Error reading file!" through the process's prompt.
bool LoadConfigFile(const std::string& path, CConfig& config);

// The bytes of a .cfg file for config: the file form, scrambled unless ascii.
bool BuildConfigFileBuffer(const CConfig& config, bool ascii, std::string& bytes);

// The file name offered when a configuration is saved: its "Cfg Name" with every character of
// "\"':?*$ \\/<>|" replaced by "_", and ".cfg" ("My cfg/1" gives "My_cfg_1.cfg").
std::string DefaultConfigFileName(const std::string& cfg_name);

// path with ".cfg" appended when its last component has no ".".
std::string WithConfigFileExtension(const std::string& path);
