// The texts of the procedures: the strings file holds both texts for every state of the five
// calibrations, with the placeholders their formats need, and the values go in without the
// strings file ever reaching printf as a format.
#include <gtest/gtest.h>

#include <regex>

#include "procedures/CameraHeadProcedure.h"
#include "procedures/DoseDoserateProcedure.h"
#include "procedures/DoseExposureProcedure.h"
#include "procedures/DoserateEntry.h"
#include "procedures/IIDiameterProcedure.h"
#include "procedures/IIFocusProcedure.h"
#include "procedures/StateTextFormat.h"
#include "shell/TextSource.h"

namespace {

struct tagFormatRow {
    const char* format;
    const char* expected;
};

TEST(StateTextFormat, TextGoesOnlyIntoTheFirstStringConversion)
{
    const tagFormatRow rows[] = {
        {"Next II format: %s mm.", "Next II format: 230.0 mm."},
        {"[%8s]", "[   230.0]"},
        {"[%-8s]", "[230.0   ]"},
        {"100%% at %s", "100% at 230.0"},
        {"%s and %s", "230.0 and %s"},
        {"%d %s %n %x", "%d 230.0 %n %x"},
        {"%*s", "%*s"},
        {"no value", "no value"},
        {"ends in %", "ends in %"},
        {"%ls wide", "%ls wide"},
    };
    for (const tagFormatRow& row : rows) EXPECT_EQ(FormatWithText(row.format, "230.0"), row.expected) << row.format;
}

TEST(StateTextFormat, TwoDoublesGoIntoTheFirstTwoFloatingPointConversions)
{
    const tagFormatRow rows[] = {
        {"%.1f and %.1f", "20.0 and 10.0"},
        {"%f %e", "20.000000 1.000000e+01"},
        {"%g/%G/%lf", "20/10/%lf"},
        {"%5.2f|%-6.1f|", "20.00|10.0  |"},
        {"%d %s %.1f %% %.1f %.1f", "%d %s 20.0 % 10.0 %.1f"},
        {"%.1lf", "20.0"},
        {"none", "none"},
    };
    for (const tagFormatRow& row : rows)
        EXPECT_EQ(FormatWithTwoDoubles(row.format, 20.0, 10.0), row.expected) << row.format;
}

TEST(DoserateEntry, TakesDecimalNumbersInRange)
{
    struct {
        const char* text;
        bool ok;
        double value;
    } rows[] = {
        {"400", true, 400.0},      {" 412.37 ", true, 412.37}, {"+300.1", true, 300.1}, {"4e2", true, 400.0},
        {"0", true, 0.0},          {".5", true, 0.5},          {"429496729", true, 429496729.0},
        {"", false, 0},            {"abc", false, 0},          {"0x10", false, 0},      {"inf", false, 0},
        {"nan", false, 0},         {"400 nGy", false, 0},      {"-1", false, 0},        {"1e", false, 0},
        {"429496730", false, 0},   {"1e999", false, 0},        {".", false, 0},
    };
    for (const auto& row : rows) {
        double value = -7.0;
        std::string message;
        EXPECT_EQ(ReadDoserateEntry(row.text, &value, &message), row.ok) << row.text;
        if (row.ok) {
            EXPECT_DOUBLE_EQ(value, row.value) << row.text;
        } else {
            EXPECT_EQ(value, -7.0) << row.text;
            EXPECT_FALSE(message.empty());
        }
    }
    EXPECT_EQ(DoserateEntryText(400.0), "400");
    EXPECT_EQ(DoserateEntryText(412.37), "412.37");
}

struct tagSection {
    const tagProcedureDescription* description;
    std::vector<const char*> states;
};

TEST(StringsFile, EveryCalibrationStateHasBothTextsWithTheirPlaceholders)
{
    const CTextSource texts(CTextSource::Acquire()->Path());
    const tagSection sections[] = {
        {&CIIFocusProcedure::Describe(), {"START", "ANNOUNCE", "STARTCAL", "STOPCAL", "STORECAL", "FINISHED"}},
        {&CCameraHeadProcedure::Describe(), {"START", "STOPCAL", "FINISHED"}},
        {&CIIDiameterProcedure::Describe(), {"START", "STOPCAL", "STORECAL", "FINISHED"}},
        {&CDoseDoserateProcedure::Describe(),
         {"START", "MEASURE", "STOREDOSE", "IRISANNOUNCE", "IRIS", "ANNOUNCE", "STARTCAL", "STOPCAL", "STORECAL",
          "FINISHED"}},
        {&CDoseExposureProcedure::Describe(), {"START", "MEASURE", "FIRSTREADY", "EXPINFO", "FINISHED"}},
    };
    const std::regex string_conversion("%[-+ #0-9.]*s");
    const std::regex float_conversion("%[-+ #0-9.]*l?[fFeEgGaA]");
    for (const tagSection& section : sections) {
        for (const char* state : section.states) {
            const std::string where = std::string(section.description->section) + " " + state;
            const std::string instruction = texts.GetText(section.description->section, std::string("I_") + state);
            const std::string action = texts.GetText(section.description->section, std::string("A_") + state);
            EXPECT_FALSE(instruction.empty()) << where;
            EXPECT_FALSE(action.empty()) << where;
            const std::string name = state;
            const bool takes_format = (name == "ANNOUNCE" || name == "STOPCAL") &&
                                      section.description->section != std::string("CameraHead") &&
                                      section.description->section != std::string("II-Diameter");
            const auto count = [&](const std::regex& pattern) {
                return std::distance(std::sregex_iterator(instruction.begin(), instruction.end(), pattern),
                                     std::sregex_iterator());
            };
            EXPECT_EQ(count(string_conversion), takes_format ? 1 : 0) << where;
            EXPECT_EQ(count(float_conversion), name == "EXPINFO" ? 2 : 0) << where;
            EXPECT_EQ(action.find('%'), std::string::npos) << where;
            EXPECT_EQ(instruction.find("<new-line>"), std::string::npos) << where;
        }
    }
}

}  // namespace
