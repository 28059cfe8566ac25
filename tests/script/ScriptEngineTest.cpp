#include <gtest/gtest.h>

#include "EngineFixture.h"

using ScriptEngineTest = EngineFixture;

TEST_F(ScriptEngineTest, LuaValuesArriveAsNumbersAndTexts)
{
    ASSERT_TRUE(
        Succeeds("Echo(0x0012, '0x0012', '0x00', '017', 12, -5, true, false, 3.0, 'a\\0b')"));
    const CArgArray in = LastEchoInputs();
    struct {
        bool is_text;
        int32_t as_long;
        uint32_t as_ulong;
        std::string as_string;
    } const rows[] = {
        {false, 18, 18, "18"}, {true, 18, 18, "0x0012"},
        {true, 0, 0, "0x00"},  {true, 15, 15, "017"},
        {false, 12, 12, "12"}, {false, -5, 0xFFFFFFFBu, "-5"},
        {false, 1, 1, "1"},    {false, 0, 0, "0"},
        {false, 3, 3, "3"},    {true, 0, 0, std::string("a\0b", 3)},
    };
    ASSERT_EQ(in.NumOfArgs(), std::size(rows));
    for (size_t i = 0; i < in.NumOfArgs(); ++i) {
        EXPECT_EQ(in.IsTextArg(i), rows[i].is_text) << i;
        EXPECT_EQ(in.GetArgLong(i), rows[i].as_long) << i;
        EXPECT_EQ(in.GetArgUlong(i), rows[i].as_ulong) << i;
        EXPECT_EQ(in.GetArgString(i), rows[i].as_string) << i;
    }
}

TEST_F(ScriptEngineTest, CallsWithTheWrongInputsAreRefusedAndNotRun)
{
    const struct {
        const char* script;
        const char* error;
    } rows[] = {
        {"Read(1)", "t:1: Read takes 2 inputs, 1 given; call it as Read(IN: Index, SubIndex)"},
        {"\nRead(1, 2, 3)",
         "t:2: Read takes 2 inputs, 3 given; call it as Read(IN: Index, SubIndex)"},
        {"Fail(1)", "t:1: Fail takes no inputs, 1 given; call it as Fail()"},
        {"Read(1, nil)", "t:1: bad argument #2 to 'Read' (number or string expected, got nil)"},
        {"Read({}, 1)", "t:1: bad argument #1 to 'Read' (number or string expected, got table)"},
        {"Read(1, 2.5)", "t:1: bad argument #2 to 'Read' (number has no integer representation; "
                         "pass it as a string)"},
        // Beyond 32 bits a number used to saturate to 0xffffffff and reach the board as that.
        {"Read(0x100002013, 1)", "t:1: bad argument #1 to 'Read' (4294975507 does not fit 32 bits)"},
        {"Read(1, -2147483649)", "t:1: bad argument #2 to 'Read' (-2147483649 does not fit 32 bits)"},
    };
    for (const auto& row : rows) {
        const size_t errors_before = Errors().size();
        EXPECT_EQ(RunToEnd(row.script), ScriptOutcome::kFailed) << row.script;
        EXPECT_EQ(engine_.ErrorText(), row.error);
        ASSERT_EQ(Errors().size(), errors_before + 1);
        EXPECT_EQ(Errors().back(), row.error);
    }
    EXPECT_EQ(calls_.load(), 0);
}

TEST_F(ScriptEngineTest, OutputsComeBackAsMultipleValuesOfTheirTypesWithTheResultText)
{
    ASSERT_TRUE(Succeeds(
        "print('[' .. ResultText() .. ']')\n"
        "local ok, link, resp, id, code, values = Read(0x2013, '1')\n"
        "print(ok, link, resp, id, code, values)\n"
        "print(math.type(ok), math.type(link), type(resp), math.type(code), type(values))\n"
        "print(ResultText(), select('#', Read(1, 2)), Silent(), Fail(), ResultText())\n"
        "local many = {} for i = 1, 99 do many[i] = i end\n"
        "print(select('#', Echo(table.unpack(many))))\n"));
    EXPECT_EQ(Output(), "[]\n"
                        "1\t0\tr 0x0012 0x00\t18\t8211\t0x1\n"
                        "integer\tinteger\tstring\tinteger\tstring\n"
                        "OK\t6\t1\t0\tCommand timeout\n"
                        "100\n");
    EXPECT_EQ(calls_.load(), 2);
}

TEST_F(ScriptEngineTest, HelpPrintsHelpTextsAndListsCallForms)
{
    ASSERT_TRUE(Succeeds("help('Read') help() help('Nope')"));
    EXPECT_EQ(
        Output(),
        "Read data from the Object Dictionary.\n\nRead(IN: Index, SubIndex)\nOUT:\n"
        "    @0 = Function result: 0=failed, 1=succeeded\n    @1 = Result of communication\n"
        "Read(IN: Index, SubIndex)\nEcho(IN: ...)\nFail()\nSilent()\nThrows()\nWaitForStop()\n"
        "Nested()\n"
        "There is no function \"Nope\"; help() lists them all.\n");
    EXPECT_EQ(engine_.FunctionNames(),
              (std::vector<std::string>{"Read", "Echo", "Fail", "Silent", "Throws", "WaitForStop",
                                        "Nested"}));
    EXPECT_EQ(engine_.HelpText("Read"), kReadHelp);
    EXPECT_EQ(engine_.HelpText("Nope"), "");
}

TEST_F(ScriptEngineTest, ErrorsReachTheErrorLogWithTheirLineNumbers)
{
    const struct {
        const char* script;
        const char* error;
    } rows[] = {
        {"local a = 1\n\nlocal b = = 2\n", "t:3: unexpected symbol near '='"},
        {"print('x')\nerror('boom')\n", "t:2: boom"},
        {"local function f()\n  return nil + 1\nend\nf()\n",
         "t:2: attempt to perform arithmetic on a nil value"},
        {"error({})", "(error object is a table value)"},
        {"Throws()", "t:1: Throws failed unexpectedly"},
        {"debug.sethook()",
         "t:1: debug.sethook is not available: the engine needs the hook to stop scripts"},
    };
    for (const auto& row : rows) {
        const size_t errors_before = Errors().size();
        EXPECT_EQ(RunToEnd(row.script), ScriptOutcome::kFailed) << row.script;
        ASSERT_EQ(Errors().size(), errors_before + 1) << row.script;
        EXPECT_EQ(Errors().back(), row.error);
        EXPECT_EQ(engine_.ErrorText(), row.error);
        EXPECT_EQ(engine_.ExitStatus(), 1);
        EXPECT_EQ(ExtendedLog().back(), "Script \"t\" failed.");
    }
}

TEST_F(ScriptEngineTest, PrintGoesToTheOutputAndTheRunIsLogged)
{
    ASSERT_TRUE(Succeeds("print('a', 1, nil, true, 2.5) print()"));
    EXPECT_EQ(Output(), "a\t1\tnil\ttrue\t2.5\n\n");
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(ExtendedLog(),
              (std::vector<std::string>{"Script \"t\" started.", "Script \"t\" ended."}));
    EXPECT_EQ(engine_.ExitStatus(), 0);
    EXPECT_EQ(engine_.ErrorText(), "");
}

TEST_F(ScriptEngineTest, ArgumentsReachTheScriptAsArgAndAsVarargs)
{
    ASSERT_TRUE(Succeeds("print(arg[0], #arg, arg[1], arg[2], select('#', ...), ...)",
                         {"0x2013", "two words"}));
    EXPECT_EQ(Output(), "t\t2\t0x2013\ttwo words\t2\t0x2013\ttwo words\n");
}

TEST_F(ScriptEngineTest, OsExitEndsTheScriptNotTheProgram)
{
    const struct {
        const char* script;
        ScriptOutcome outcome;
        int status;
    } rows[] = {
        {"os.exit() print('after')", ScriptOutcome::kSucceeded, 0},
        {"os.exit(true)", ScriptOutcome::kSucceeded, 0},
        {"os.exit(false)", ScriptOutcome::kFailed, 1},
        {"os.exit(3)", ScriptOutcome::kFailed, 3},
        {"pcall(os.exit, 4) print('after')", ScriptOutcome::kFailed, 4},
        {"coroutine.resume(coroutine.create(os.exit), 5) print('after')", ScriptOutcome::kFailed,
         5},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(RunToEnd(row.script), row.outcome) << row.script;
        EXPECT_EQ(engine_.ExitStatus(), row.status) << row.script;
    }
    EXPECT_EQ(Output(), "");
    EXPECT_TRUE(Errors().empty());
}

TEST_F(ScriptEngineTest, EveryRunStartsWithAFreshState)
{
    ASSERT_TRUE(Succeeds("x = 1 print(x)"));
    ASSERT_TRUE(Succeeds("print(x, type(string.format), type(io.open))"));
    EXPECT_EQ(Output(), "1\nnil\tfunction\tfunction\n");
}

TEST_F(ScriptEngineTest, AddFunctionRefusesNamesAndRangesThatCannotWork)
{
    const struct {
        const char* name;
        ScriptFunction function;
        int min;
        int max;
    } rows[] = {
        {"", &EngineFixture::Fail, 0, 0},           {"Read", &EngineFixture::Fail, 0, 0},
        {"print", &EngineFixture::Fail, 0, 0},      {"help", &EngineFixture::Fail, 0, 0},
        {"ResultText", &EngineFixture::Fail, 0, 0}, {"string", &EngineFixture::Fail, 0, 0},
        {"end", &EngineFixture::Fail, 0, 0},        {"1abc", &EngineFixture::Fail, 0, 0},
        {"a-b", &EngineFixture::Fail, 0, 0},        {"Ok", nullptr, 0, 0},
        {"Ok", &EngineFixture::Fail, 2, 1},         {"Ok", &EngineFixture::Fail, -1, 1},
    };
    for (const auto& row : rows) {
        EXPECT_FALSE(engine_.AddFunction(row.name, row.function, this, "", row.min, row.max, 0))
            << row.name;
    }
    EXPECT_EQ(engine_.FunctionNames().size(), 7u);
    EXPECT_TRUE(engine_.AddFunction("Ok_2", &EngineFixture::Silent, this, "", 0, 0, 0));
    ASSERT_TRUE(Succeeds("print(Ok_2())"));
    EXPECT_EQ(Output(), "1\n");
}

TEST_F(ScriptEngineTest, AScriptCannotStartOrAwaitItsOwnEngine)
{
    CEvent ended(CEvent::Kind::ManualReset);
    ScriptOutcome told = ScriptOutcome::kNone;
    engine_.SetEndFunction([&](ScriptOutcome outcome) {
        told = outcome;
        ended.Set();
    });
    ASSERT_TRUE(Succeeds("Nested()"));
    EXPECT_TRUE(ended.Wait(0));
    EXPECT_EQ(told, ScriptOutcome::kSucceeded);
    EXPECT_EQ(nested_run_.load(), 0);
    EXPECT_EQ(nested_wait_.load(), 0);
    EXPECT_EQ(Output(), "");
}

TEST_F(ScriptEngineTest, CallFunctionRunsAFunctionWithoutAScriptAndRefusesLikeOne)
{
    const struct {
        const char* name;
        std::vector<std::string> inputs;
        int result;
        size_t outputs;
        const char* result_text;
    } rows[] = {
        {"Read", {"0x2013", "1"}, 1, 6, "OK"},
        {"Fail", {}, 0, 1, "Command timeout"},
        {"Read",
         {"1"},
         CScriptEngine::kCallRefused,
         0,
         "Read takes 2 inputs, 1 given; call it as Read(IN: Index, SubIndex)"},
        {"Nope", {}, CScriptEngine::kCallRefused, 0, "There is no function \"Nope\"."},
    };
    for (const auto& row : rows) {
        CArgArray in;
        for (const std::string& input : row.inputs) {
            in.Append(input);
        }
        CArgArray out;
        out.Append("left over");
        std::string result_text;
        EXPECT_EQ(engine_.CallFunction(row.name, in, out, result_text), row.result) << row.name;
        EXPECT_EQ(out.NumOfArgs(), row.outputs) << row.name;
        EXPECT_EQ(result_text, row.result_text);
    }
    EXPECT_EQ(calls_.load(), 1);
}
