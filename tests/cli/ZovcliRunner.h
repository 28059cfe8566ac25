// Runs the built zovcli as a child process, as an engineer's shell would, and collects what it
// printed and how it ended.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct tagZovcliRun {
    int exit_status = -1;  // -1 when it did not end in time (it was killed)
    std::string out;
    std::string err;
    uint64_t elapsed_ms = 0;
};

// Runs zovcli (from the tests' own folder) with args and ZOVTOOL_SETTINGS=settings_file; kills
// it when it runs longer than limit_ms. stdin is empty.
tagZovcliRun RunZovcli(const std::vector<std::string>& args, const std::string& settings_file,
                       uint32_t limit_ms = 60000);

// As RunZovcli with stdin read from input_file (as a shell's here-document is).
tagZovcliRun RunZovcliWithInput(const std::vector<std::string>& args, const std::string& settings_file,
                                const std::string& input_file, uint32_t limit_ms = 60000);

// As RunZovcli, without waiting: returns the child's pid, its output goes to the two files and
// its stdin comes from input_file (a named pipe lets the test type while it runs).
int StartZovcli(const std::vector<std::string>& args, const std::string& settings_file,
                const std::string& out_file, const std::string& err_file,
                const std::string& input_file = "/dev/null");
// Waits up to limit_ms for the child to end; its exit status, or -1 (then it is killed).
int WaitZovcli(int pid, uint32_t limit_ms);
