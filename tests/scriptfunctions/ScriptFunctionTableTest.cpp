// The registration table: help texts, input counts and order, and what the handler registers.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "handler/ScriptFunctions.h"

namespace {

const tagScriptFunctionRow* Find(const std::string& name)
{
    for (const tagScriptFunctionRow& row : ScriptFunctionRows()) {
        if (row.name == name) {
            return &row;
        }
    }
    return nullptr;
}

struct HelpCase {
    const char* name;
    const char* help;
};

// A few help texts in full: a raw request, its shorthand, a function without inputs or values,
// one with many outputs and one with many inputs.
const HelpCase kHelpCases[] = {
    {"ZELSP_Read",
     "Read data from the Nemra Object Dictionary.\r\n"
     "\r\n"
     "ZELSP_Read(IN: Index, SubIndex)\r\n"
     "OUT:\r\n"
     "    @0 = Function result: 0=failed, 1=succeeded\r\n"
     "    @1 = Result of ZELSP communication\r\n"
     "    @2 = Request response\r\n"
     "    @3 = Message ID\r\n"
     "    @4 = ZEL result code\r\n"
     "    @5 = Values"},
    {"W",
     "Write data to the Nemra Object Dictionary.\r\n"
     "(Shorthand for ZELSP_Write.)\r\n"
     "\r\n"
     "W(IN: Index, SubIndex, Data1, ..., DataN)\r\n"
     "OUT:\r\n"
     "    @0 = Function result: 0=failed, 1=succeeded\r\n"
     "    @1 = Result of ZELSP communication\r\n"
     "    @2 = Request response\r\n"
     "    @3 = Message ID\r\n"
     "    @4 = ZEL result code\r\n"
     "    @5 = Values (if the reply has any)"},
    {"ZelCmdStartApplication",
     "Wait for subsystem to become operational.\r\n"
     "\r\n"
     "ZelCmdStartApplication()\r\n"
     "OUT:\r\n"
     "    @0 = Function result: 0=failed, 1=succeeded"},
    {"ZelLogGetLogEntryInfo",
     "Returns the log entry info.\r\n"
     "\r\n"
     "ZelLogGetLogEntryInfo()\r\n"
     "OUT:\r\n"
     "    @0 = Function result: 0=failed, 1=succeeded\r\n"
     "    @1 = Sequence number\r\n"
     "    @2 = Logging ID\r\n"
     "    @3 = Reserved byte\r\n"
     "    @4 = Component ID\r\n"
     "    @5 = Severity\r\n"
     "    @6 = Time of day\r\n"
     "    @7 = Day number"},
    {"ZelDevSetReq",
     "Set requested parameter on logical device.\r\n"
     "\r\n"
     "ZelDevSetReq(IN: LogicalDevice, BufferNumber, ParamName, ParamValue)\r\n"
     "OUT:\r\n"
     "    @0 = Function result: 0=failed, 1=succeeded\r\n"
     "    @1 = ZEL result code"},
};

TEST(ScriptFunctionTable, HelpTextsInFull)
{
    for (const HelpCase& c : kHelpCases) {
        const tagScriptFunctionRow* row = Find(c.name);
        ASSERT_NE(row, nullptr) << c.name;
        EXPECT_EQ(row->help_text, c.help) << c.name;
    }
}

TEST(ScriptFunctionTable, SeventyFunctionsInTableOrder)
{
    const auto& rows = ScriptFunctionRows();
    ASSERT_EQ(rows.size(), 70u);
    // Spot checks along the table: the request block, the first and last of the command object,
    // the family boundaries and the end.
    const std::pair<size_t, const char*> positions[] = {
        {0, "ZELSP_Read"},           {1, "ZELSP_Write"},
        {2, "R"},                    {3, "W"},
        {6, "ZELSP_GetCommandResult"}, {7, "ZelCmdGetHighestPossibleIndex"},
        {36, "ZelCmdParkImage"},     {37, "ZelVerGetHighestPossibleIndex"},
        {53, "ZelLogGetLogEntryInfo"}, {54, "ZelDevGetHighestPossibleIndex"}, {62, "ZelValGetErrorBits"},
        {63, "ZelFSGetHighestPossibleIndex"}, {68, "DCM_LineInput"},
        {69, "DCM_UICommand"}};
    for (const auto& [at, name] : positions) {
        EXPECT_EQ(rows[at].name, name) << "position " << at;
    }
    std::set<std::string> names;
    for (const auto& row : rows) {
        EXPECT_TRUE(names.insert(row.name).second) << "twice: " << row.name;
        EXPECT_NE(row.function, nullptr) << row.name;
    }
}

// Every help text has the one shape: description, empty line, call form naming the function,
// "OUT:", and @0..@n numbered in order.
TEST(ScriptFunctionTable, EveryHelpTextHasTheShape)
{
    for (const auto& row : ScriptFunctionRows()) {
        const std::string& help = row.help_text;
        const size_t empty = help.find("\r\n\r\n");
        ASSERT_NE(empty, std::string::npos) << row.name;
        const std::string rest = help.substr(empty + 4);
        const std::string form = rest.substr(0, rest.find("\r\n"));
        if (row.max_inputs == 0) {
            EXPECT_EQ(form, row.name + "()");
        } else {
            EXPECT_EQ(form.rfind(row.name + "(IN: ", 0), 0u) << form;
            EXPECT_EQ(form.back(), ')') << form;
        }
        EXPECT_NE(rest.find("\r\nOUT:\r\n    @0 = Function result: 0=failed, 1=succeeded"),
                  std::string::npos)
            << row.name;
        for (int n = 1; n < 10; ++n) {
            const bool has = rest.find("\r\n    @" + std::to_string(n) + " = ") != std::string::npos;
            const bool has_previous =
                rest.find("    @" + std::to_string(n - 1) + " = ") != std::string::npos;
            if (has) {
                EXPECT_TRUE(has_previous) << row.name << " @" << n;
            }
        }
        EXPECT_NE(help.back(), '\n') << row.name;
    }
}

TEST(ScriptFunctionTable, ShorthandsAreTheRequestFunctions)
{
    EXPECT_EQ(Find("R")->function, Find("ZELSP_Read")->function);
    EXPECT_EQ(Find("W")->function, Find("ZELSP_Write")->function);
    EXPECT_NE(Find("R")->function, Find("W")->function);
}

}  // namespace
