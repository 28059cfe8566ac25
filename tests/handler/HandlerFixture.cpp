#include "HandlerFixture.h"

#include <chrono>
#include <thread>

#include "shell/AppSettings.h"

std::vector<CRecordingSink::Posted> CRecordingSink::PostsOf(int offset) const
{
    std::vector<Posted> found;
    for (const auto& post : Posts())
        if (post.offset == offset) found.push_back(post);
    return found;
}

bool CRecordingSink::WaitFor(int offset, size_t count, uint32_t timeout_ms) const
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (PostsOf(offset).size() < count) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

HandlerTest::HandlerTest()
{
    AppSettings::SetComPort(pty_.SlavePath());
    // Generous: a loaded machine may stall a thread for a second.
    AppSettings::SetCommandTimeout(5000);
}

HandlerTest::~HandlerTest() = default;

std::unique_ptr<CSerialCommHandler> HandlerTest::Connect(bool handle_events)
{
    auto handler = std::make_unique<CSerialCommHandler>(&message_number_, handle_events, nullptr);
    board_.ClearMessages();
    return handler;
}

std::vector<std::string> HandlerTest::Requests() const
{
    std::vector<std::string> requests;
    for (const std::string& message : board_.Messages()) requests.push_back(CScriptedBoard::WithoutId(message));
    return requests;
}

std::vector<std::string> Texts(const CArgArray& list)
{
    std::vector<std::string> texts;
    for (size_t i = 0; i < list.NumOfArgs(); ++i) texts.push_back(list.GetArgString(i));
    return texts;
}
