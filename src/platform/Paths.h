// Where the tool finds its files: its own folder, the support folder and the temporary folder.
#pragma once

#include <string>

// The folder of the running executable, without a trailing "/"; "." when it cannot be found.
std::string ExecutableDir();

// The folder "ZOVtoolSupportFiles": $ZOVTOOL_SUPPORT_DIR when set; else beside the executable;
// else ../share/zovtool/ZOVtoolSupportFiles from the executable's folder. When none exists, the
// path beside the executable (so that messages name the expected place).
std::string SupportDir();

// A file in the support folder: SupportDir() + "/" + name.
std::string SupportFile(const std::string& name);

// The user guide "user-guide.html" in share/doc/zovtool beside the executable's folder: where the
// package installs it, and where the build folder has its copy (bin/../share/doc/zovtool).
std::string UserGuidePath();

// $TMPDIR when set and not empty, else "/tmp"; without a trailing "/".
std::string TempDir();

// True when path names an existing folder.
bool IsDirectory(const std::string& path);
