// Small helpers shared by the tests: a private temporary folder, a private settings file, files.
#pragma once

#include <string>
#include <vector>

// A fresh folder under the temporary folder, removed with everything in it when destroyed.
class CTempFolder {
public:
    CTempFolder();
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    const std::string& Path() const { return path_; }
    // Path() + "/" + name.
    std::string File(const std::string& name) const;
    // Writes content to File(name) and returns its path.
    std::string Write(const std::string& name, const std::string& content) const;

private:
    std::string path_;
};

// Points the settings store at a new empty file in its own folder for the guard's lifetime.
class CScopedSettingsFile {
public:
    CScopedSettingsFile();
    ~CScopedSettingsFile();
    const std::string& Path() const { return path_; }

private:
    CTempFolder folder_;
    std::string path_;
};

// The whole content of a file ("" when missing).
std::string ReadFileText(const std::string& path);

// The names in a folder, without "." and ".." (none when it cannot be read).
std::vector<std::string> FolderEntries(const std::string& path);

// The folder of the test data files (tests/data).
std::string TestDataDir();
