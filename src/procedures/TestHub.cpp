#include "procedures/TestHub.h"

#include "handler/SerialCommHandler.h"
#include "shell/AppSettings.h"

const std::array<tagTestButton, kTestCount>& TestButtons()
{
    static const std::array<tagTestButton, kTestCount> buttons = {{
        {"video-path", "   Video Path..."},
        {"average-video-level", "   Average Video Level..."},
        {"dose-link", "   Doserate Link..."},
        {"cosmetic-check", "   Cosmetic Check..."},
    }};
    return buttons;
}

CTestHub::CTestHub() : prepare_(AppSettings::GetPrepareByZovTool()) {}

tagPowerOnSelfTest CTestHub::StartUp(CSerialCommHandler& handler)
{
    uint32_t code = kNoResultCode;
    handler.ZelCmdStartApplication(&code);
    return ReadPowerOnSelfTest(handler);
}

void CTestHub::ApplyStartUp(const tagPowerOnSelfTest& post)
{
    tests_enabled_ = post.Passed();
    self_test_error_ = !post.Passed();
}

tagPostBox CTestHub::ApplyResultButton(const tagPowerOnSelfTest& post)
{
    if (!post.read_ok) return {kPostReadErrorText, PromptIcon::Error};
    if (post.Passed()) {
        tests_enabled_ = true;
        self_test_error_ = false;
    }
    return {post.Text(), PromptIcon::Information};
}
