#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>

#include "TestSupport.h"

namespace {

struct CliRun {
    int exit_code;
    std::string out;
    std::string err;
};

// Runs zovcli with the arguments (each quoted for the shell) and collects its output.
CliRun RunZovcli(const CTempFolder& folder, const std::vector<std::string>& args)
{
    std::string command = "'" + std::string(ZOVCLI_PATH) + "'";
    for (const std::string& arg : args) {
        command += " '" + arg + "'";
    }
    command += " >'" + folder.File("out") + "' 2>'" + folder.File("err") + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileText(folder.File("out")),
            ReadFileText(folder.File("err"))};
}

std::string Sample(const char* name)
{
    return TestDataDir() + "/config/" + name;
}

}  // namespace

TEST(CliConfigTest, ConvertRewritesEveryFormByteForByte)
{
    CTempFolder folder;
    const struct {
        const char* in;
        const char* option;
        const char* expected;
    } rows[] = {
        {"all_items.cfg", "--store", "all_items.store"},
        {"all_items.cfg", "--ascii", "all_items_ascii.cfg"},
        {"all_items.store", "--scrambled", "all_items.cfg"},
        {"all_items_ascii.cfg", "--scrambled", "all_items.cfg"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.in) + " " + row.option);
        const std::string out = folder.File("converted");
        const CliRun run = RunZovcli(folder, {"config", "convert", Sample(row.in), out, row.option});
        EXPECT_EQ(run.exit_code, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(ReadFileText(out), ReadFileText(Sample(row.expected)));
    }
}

TEST(CliConfigTest, CheckPrintsEveryMessageAndFailsOnlyOnAFailure)
{
    CTempFolder folder;
    const std::string warning = folder.Write("warning.txt",
                                             "[N]\r\nClass = 0\r\nHelp = \"h\"\r\nType = 0\r\nValue = 11\r\n"
                                             "Range = 1..10\r\n");
    const std::string failure = folder.Write("failure.txt", "[N]\r\nClass = 0\r\nHelp = \"h\"\r\nType = 0\r\n");
    const std::string garbage = folder.Write("garbage.txt", "no configuration here");
    const struct {
        std::string path;
        int exit_code;
        std::string err;
    } rows[] = {
        {Sample("all_items.cfg"), 0, ""},
        {warning, 0, "The value for \"N\" is not within the specified range. Check the value!\n"},
        {failure, 1, "Error parsing configuration: \"Value\" not found for \"N\".\n"},
        {garbage, 1, "File does not appear to be a valid configuration file!\n"},
        {folder.File("missing.cfg"), 2, "zovcli: cannot read " + folder.File("missing.cfg") + ": no such file or directory\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        const CliRun run = RunZovcli(folder, {"config", "check", row.path});
        EXPECT_EQ(run.exit_code, row.exit_code);
        EXPECT_EQ(run.err, row.err);
    }
    EXPECT_NE(RunZovcli(folder, {"config", "check", Sample("all_items.cfg")}).out.find("18 item(s), 0 warning(s)"),
              std::string::npos);
}

TEST(CliConfigTest, ShowListsEveryItemWithItsKindAndValue)
{
    CTempFolder folder;
    const CliRun run = RunZovcli(folder, {"config", "show", Sample("all_items.cfg")});
    EXPECT_EQ(run.exit_code, 0);
    for (const char* expected : {"Integer range", "IntegerRange  5  (1..10)", "FloatList     1.00  ([0.50, 1.00])",
                                 "DcmInput      ContrastSet(5)", "High on IiFormatHigher(3); Low on FootswitchIsOn",
                                 "20 bytes 00 01 22 5C"}) {
        EXPECT_NE(run.out.find(expected), std::string::npos) << expected;
    }
    EXPECT_EQ(RunZovcli(folder, {"config", "convert", "a", "b", "--json"}).exit_code, 2);
    EXPECT_EQ(RunZovcli(folder, {"config", "show"}).exit_code, 2);
}
