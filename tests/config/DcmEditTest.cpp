// The rules of the DCM editors and selectors without their windows: the line and transition read
// from the item name, the mode buttons, the resulting names, the UNKNOWN entries left out with
// their messages, and the entries the selectors offer and make.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "config/DcmInputEdit.h"
#include "config/DcmNames.h"
#include "config/DcmOutputEdit.h"
#include "config/DcmSelection.h"
#include "platform/Prompt.h"

namespace {

using Functions = std::vector<tagInputFunc>;
using Conditions = std::vector<tagOutputCond>;
using Transition = CDcmInputEdit::Transition;

class DcmEditTest : public testing::Test {
protected:
    CRecordingPrompt prompt_;
    CScopedPrompt scoped_{prompt_};
};

struct OpeningRow {
    const char* name;
    int line;
    bool transition_shown;
    Transition transition;
    const char* name_on_ok;  // untouched editor
};

int RowOf(const std::vector<std::string>& texts, const std::string& text)
{
    const auto found = std::find(texts.begin(), texts.end(), text);
    return found == texts.end() ? -1 : static_cast<int>(found - texts.begin());
}

}  // namespace

TEST_F(DcmEditTest, InputEditorReadsLineAndTransitionFromTheName)
{
    const OpeningRow rows[] = {
        {"DCM i3:00", 3, true, Transition::HighToLow, "DCM i3:00"},
        {"DCM i3:01", 3, true, Transition::LowToHigh, "DCM i3:01"},
        {"DCM i12:02", 12, false, Transition::LowToHigh, "DCM i12:02"},
        {"DCM i128:00", 128, true, Transition::HighToLow, "DCM i128:00"},
        // The line field holds 1 to 128.
        {"DCM i200:01", 128, true, Transition::LowToHigh, "DCM i128:01"},
        {"DCM i0:00", 1, true, Transition::HighToLow, "DCM i1:00"},
        // A code the names never carry offers the transition, Low to High as for a new line.
        {"DCM i4:07", 4, true, Transition::LowToHigh, "DCM i4:01"},
        {"DCM i5", 5, true, Transition::LowToHigh, "DCM i5:01"},
    };
    for (const OpeningRow& row : rows) {
        SCOPED_TRACE(row.name);
        const CDcmInputEdit edit(row.name, {}, 0, kDcmModeDualAction, 1);
        EXPECT_EQ(edit.Line(), row.line);
        EXPECT_EQ(edit.TransitionShown(), row.transition_shown);
        if (row.transition_shown) {
            EXPECT_EQ(edit.GetTransition(), row.transition);
        }
        EXPECT_EQ(edit.Name(), row.name_on_ok);
    }
}

TEST_F(DcmEditTest, ModeButtonsDecideTheTransitionCode)
{
    CDcmInputEdit edit("DCM i7:00", {}, 20, kDcmModeDualAction, 2);
    EXPECT_EQ(edit.Name(), "DCM i7:00");

    edit.SetMode(kDcmModeSingleHighToLow);
    EXPECT_FALSE(edit.TransitionShown());
    EXPECT_EQ(edit.Name(), "DCM i7:02");
    EXPECT_EQ(edit.Mode(), kDcmModeSingleHighToLow);

    edit.SetMode(kDcmModeSingleLowToHigh);
    EXPECT_EQ(edit.Name(), "DCM i7:02");

    // Back to dual action: the transition returns with Low to High, whatever it was before.
    edit.SetMode(kDcmModeDualAction);
    EXPECT_TRUE(edit.TransitionShown());
    EXPECT_EQ(edit.GetTransition(), Transition::LowToHigh);
    EXPECT_EQ(edit.Name(), "DCM i7:01");

    edit.SetTransition(Transition::HighToLow);
    edit.SetLine(9);
    EXPECT_EQ(edit.Name(), "DCM i9:00");
    EXPECT_EQ(edit.Mode(), kDcmModeDualAction);
}

TEST_F(DcmEditTest, ByteValuesPassThroughUnlessChanged)
{
    // A line beyond the end of the byte tables reads as 0 for mode and priority.
    CDcmInputEdit edit("DCM i40:01", {}, 255, 0, 0);
    EXPECT_EQ(edit.Mode(), 0);
    EXPECT_EQ(edit.Priority(), 0);
    EXPECT_EQ(edit.Debounce(), 255);
    edit.SetDebounce(300);
    EXPECT_EQ(edit.Debounce(), 255);
    edit.SetDebounce(-4);
    EXPECT_EQ(edit.Debounce(), 0);
    edit.SetPriority(3);
    EXPECT_EQ(edit.Priority(), 3);
}

TEST_F(DcmEditTest, UnknownEntriesAreLeftOutWithOneMessageEach)
{
    const Functions functions = {
        {"UNKNOWN", 0, false}, {"ContrastSet", 5, false}, {"UNKNOWN", 0, false}, {"BrightnessUp", 1, true}};
    CDcmInputEdit input("DCM i1:01", functions, 0, 1, 1);
    EXPECT_EQ(input.UnknownCount(), 2);
    EXPECT_EQ(input.Functions(), (Functions{{"ContrastSet", 5, false}, {"BrightnessUp", 1, true}}));
    EXPECT_EQ(input.Presentations(), (std::vector<std::string>{"ContrastSet(5)", "BrightnessUp with wrapping"}));
    EXPECT_TRUE(prompt_.Texts().empty());  // the window says it when it opens
    input.ShowUnknownMessages();
    EXPECT_EQ(prompt_.Texts(), (std::vector<std::string>(2, CDcmInputEdit::kUnknownMessage)));
    EXPECT_EQ(std::string(CDcmInputEdit::kUnknownMessage),
              "The list of input functions contains an UNKNOWN input function.\r\n\r\nIf this item is edited, this "
              "UNKNOWN function will be lost. To avoid losing the UNKNOWN function click Cancel in the Dcm Input "
              "Editor dialog.");

    prompt_.Clear();
    const Conditions conditions = {{false, "UNKNOWN", 0}, {true, "IiFormatHigher", 3}};
    CDcmOutputEdit output("DCM o4", conditions);
    EXPECT_EQ(output.UnknownCount(), 1);
    EXPECT_EQ(output.Conditions(), (Conditions{{true, "IiFormatHigher", 3}}));
    EXPECT_EQ(output.Presentations(), (std::vector<std::string>{"Output High on IiFormatHigher(3)"}));
    output.ShowUnknownMessages();
    EXPECT_EQ(prompt_.Texts(),
              (std::vector<std::string>{
                  "The list of output conditions contains an UNKNOWN condition.\r\n\r\nIf this item is edited, this "
                  "UNKNOWN condition will be lost. To avoid losing the UNKNOWN condition click Cancel in the Dcm "
                  "Output Editor dialog."}));
}

TEST_F(DcmEditTest, EditedListsWriteTheExpectedText)
{
    const auto table = CInputFuncTable::Acquire();
    CDcmInputEdit input("DCM i2:01", {{"FootSwitchOn", 1, false}}, 0, 1, 1);
    input.AddFunction({"ContrastSet", 5, false});
    input.AddFunction({"BrightnessUp", 0, true});
    EXPECT_FALSE(input.RemoveFunction(3));
    EXPECT_FALSE(input.RemoveFunction(-1));
    ASSERT_TRUE(input.RemoveFunction(0));
    EXPECT_EQ(WriteInputFuncList(input.Functions(), *table),
              "Set(0x2821,34,5);ModifyAndWrap(0x2821,36,1);Set(0x2000,3)");

    const auto conditions = COutputCondTable::Acquire();
    CDcmOutputEdit output("DCM o12", {});
    EXPECT_EQ(output.Line(), 12);
    output.AddCondition({false, "FootswitchIsOn", 0});
    output.AddCondition({true, "IiFormatIs", 7});
    EXPECT_FALSE(output.RemoveCondition(2));
    output.SetLine(129);
    EXPECT_EQ(output.Name(), "DCM o128");
    EXPECT_EQ(WriteOutputCondList(output.Conditions(), *conditions), "Low(0x2000,4);High(0x2021,16,=,7)");
}

TEST_F(DcmEditTest, SelectorsListEveryEntryByTextIgnoringCase)
{
    const CFuncSelection functions;
    const std::vector<std::string> texts = functions.Texts();
    ASSERT_EQ(texts.size(), 45u);
    const auto lower = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
        return text;
    };
    EXPECT_TRUE(std::is_sorted(texts.begin(), texts.end(),
                               [&](const std::string& a, const std::string& b) { return lower(a) < lower(b); }));
    EXPECT_EQ(texts.front(), "AGC lock");
    // Case ignored: "II Format" sorts after "Horizontal" and before "Invert".
    EXPECT_LT(RowOf(texts, "Horizontal flip toggle"), RowOf(texts, "II Format, Select Next"));
    EXPECT_LT(RowOf(texts, "II Format, Set"), RowOf(texts, "Invert image off"));

    const CCondSelection conditions;
    ASSERT_EQ(conditions.Texts().size(), 36u);
    EXPECT_EQ(conditions.Texts().front(), "AGC is lock");
}

struct FuncChoice {
    const char* text;
    int32_t parameter;
    bool wrap;
    bool asks_parameter;
    bool offers_wrap;
    tagInputFunc result;
};

TEST_F(DcmEditTest, FunctionSelectorMakesTheFunction)
{
    const FuncChoice rows[] = {
        {"Contrast, Set", 7, true, true, false, {"ContrastSet", 7, false}},
        {"Dose per image, Modify", -20, false, true, false, {"DosePerImageModify", -20, false}},
        // No parameter: the field's value is not taken.
        {"White clipping on", 9, false, false, false, {"WhiteClippingOn", 0, false}},
        // A toggle always wraps in the written text; it offers no choice.
        {"White clipping toggle", 0, true, false, false, {"WhiteClippingToggle", 0, false}},
        {"Brightness, Up", 0, true, false, true, {"BrightnessUp", 0, true}},
        {"Brightness, Down", 0, false, false, true, {"BrightnessDown", 0, false}},
    };
    for (const FuncChoice& row : rows) {
        SCOPED_TRACE(row.text);
        CFuncSelection selection;
        EXPECT_FALSE(selection.Result().has_value());
        selection.Select(RowOf(selection.Texts(), row.text));
        ASSERT_NE(selection.SelectedEntry(), nullptr);
        EXPECT_EQ(selection.AsksParameter(), row.asks_parameter);
        EXPECT_EQ(selection.OffersWrap(), row.offers_wrap);
        selection.SetParameter(row.parameter);
        selection.SetWrap(row.wrap);
        ASSERT_TRUE(selection.Result().has_value());
        EXPECT_EQ(*selection.Result(), row.result);
    }
    CFuncSelection selection;
    selection.Select(45);
    EXPECT_EQ(selection.Selected(), -1);
    EXPECT_FALSE(selection.Result().has_value());
}

TEST_F(DcmEditTest, ConditionSelectorMakesTheCondition)
{
    const auto table = COutputCondTable::Acquire();
    CCondSelection selection;
    EXPECT_TRUE(selection.High());
    selection.Select(RowOf(selection.Texts(), "II format is higher than"));
    EXPECT_TRUE(selection.AsksParameter());
    selection.SetParameter(3);
    EXPECT_EQ(*selection.Result(), (tagOutputCond{true, "IiFormatHigher", 3}));

    // Without a parameter the condition carries the entry's value, as reading its text back does.
    selection.Select(RowOf(selection.Texts(), "AGC is off"));
    EXPECT_FALSE(selection.AsksParameter());
    selection.SetHigh(false);
    const tagOutputCond agc_off = *selection.Result();
    EXPECT_EQ(agc_off, (tagOutputCond{false, "AgcIsOff", 2}));
    Conditions read;
    ReadOutputCondList(WriteOutputCondList({agc_off}, *table), *table, read);
    EXPECT_EQ(read, Conditions{agc_off});
}
