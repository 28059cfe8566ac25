#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/Notify.h"
#include "platform/Prompt.h"

TEST(PromptTest, RecordingPromptRecordsTextsAndAnswersFromItsQueue)
{
    CRecordingPrompt prompt;
    CScopedPrompt installed(prompt);
    prompt.QueueAnswers({false, true});
    ShowMessage("COM port could not be opened.", PromptIcon::Error);
    EXPECT_FALSE(AskYesNo("Continue?"));
    EXPECT_TRUE(AskOkCancel("Put the board into boot mode."));
    EXPECT_TRUE(AskYesNo("Again?"));  // the default answer
    prompt.SetDefaultAnswer(false);
    EXPECT_FALSE(AskOkCancel("Once more?"));

    const auto records = prompt.Records();
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0].kind, CRecordingPrompt::Record::Kind::Message);
    EXPECT_EQ(records[0].icon, PromptIcon::Error);
    EXPECT_EQ(records[0].title, "ZOV tool");
    EXPECT_EQ(records[1].kind, CRecordingPrompt::Record::Kind::YesNo);
    EXPECT_FALSE(records[1].answer);
    EXPECT_EQ(records[2].kind, CRecordingPrompt::Record::Kind::OkCancel);
    EXPECT_EQ(prompt.Texts()[2], "Put the board into boot mode.");
}

TEST(PromptTest, ScopedPromptRestoresThePreviousOne)
{
    CRecordingPrompt outer, inner;
    CScopedPrompt a(outer);
    {
        CScopedPrompt b(inner);
        ShowMessage("inner");
    }
    ShowMessage("outer");
    EXPECT_EQ(inner.Texts(), std::vector<std::string>{"inner"});
    EXPECT_EQ(outer.Texts(), std::vector<std::string>{"outer"});
}

TEST(PromptTest, ConsolePromptAnswersFromItsFlagAndPrintsOneLine)
{
    CConsolePrompt yes(true), no(false);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(yes.AskYesNo("Erase flash?\r\nAll data will be lost.", "ZOV tool"));
    EXPECT_FALSE(no.AskOkCancel("Boot mode?", "ZOV tool"));
    no.ShowMessage("Resetting log failed.", PromptIcon::Warning, "ZOV tool");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Erase flash? All data will be lost. [Yes]\nBoot mode? [Cancel]\nResetting log failed.\n");
}

namespace {

class CCountingSink : public INotifySink {
public:
    void Post(int offset, uintptr_t wparam, const std::string& text) override
    {
        std::lock_guard<std::mutex> guard(lock);
        posts.push_back({offset, wparam, text});
    }
    struct Item {
        int offset;
        uintptr_t wparam;
        std::string text;
    };
    std::mutex lock;
    std::vector<Item> posts;
};

}  // namespace

TEST(NotifyTest, PostsReachTheSinkOnlyWhileItIsInstalled)
{
    CCountingSink sink;
    EXPECT_FALSE(Notify::HasSink());
    EXPECT_FALSE(Notify::Post(kNotifyToolLog));
    {
        CScopedNotifySink installed(sink);
        EXPECT_TRUE(Notify::HasSink());
        EXPECT_TRUE(Notify::Post(kNotifyConnection, 1, "COM1"));
    }
    EXPECT_FALSE(Notify::HasSink());
    EXPECT_FALSE(Notify::Post(kNotifyConnection, 0, ""));
    ASSERT_EQ(sink.posts.size(), 1u);
    EXPECT_EQ(sink.posts[0].offset, kNotifyConnection);
    EXPECT_EQ(sink.posts[0].wparam, 1u);
    EXPECT_EQ(sink.posts[0].text, "COM1");
}

TEST(NotifyTest, RemovingTheSinkWhileOtherThreadsPostIsSafe)
{
    auto sink = std::make_unique<CCountingSink>();
    Notify::InstallSink(sink.get());
    std::atomic<bool> run{true};
    std::vector<std::thread> posters;
    for (int i = 0; i < 3; ++i) {
        posters.emplace_back([&] {
            while (run) {
                Notify::Post(kNotifyToolLog);
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    Notify::RemoveSink(sink.get());
    const size_t count = sink->posts.size();
    sink.reset();  // no Post may touch it any more
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    run = false;
    for (auto& poster : posters) {
        poster.join();
    }
    EXPECT_GT(count, 0u);
}

TEST(NotifyTest, RemovingAnotherSinkLeavesTheInstalledOne)
{
    CCountingSink a, b;
    Notify::InstallSink(&a);
    Notify::RemoveSink(&b);
    EXPECT_TRUE(Notify::HasSink());
    Notify::RemoveSink(&a);
    EXPECT_FALSE(Notify::HasSink());
}
