// The view's link against the simulated board: it comes up on its own thread in the start-up
// order, tells every state, goes down with the system's reason when the board goes away, comes
// back by itself when it returns, and never makes its owner wait for a silent board.
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "BoardSimulator.h"
#include "HandlerFixture.h"
#include "handler/HandlerLink.h"
#include "logging/ZovLogging.h"
#include "platform/Clock.h"
#include "shell/AppSettings.h"

namespace {

using LinkState = CHandlerLink::LinkState;
using std::chrono::steady_clock;

uint64_t ElapsedMs(steady_clock::time_point start)
{
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(steady_clock::now() - start).count());
}

// Every state the link reported, with its text.
class CStateLog {
public:
    void Record(LinkState state, const std::string& text)
    {
        std::lock_guard<std::mutex> lock(lock_);
        states_.push_back({state, text});
        changed_.notify_all();
    }
    // Waits until the link reported state (after the first skip reports).
    bool WaitFor(LinkState state, size_t skip = 0, uint32_t timeout_ms = 15000)
    {
        std::unique_lock<std::mutex> lock(lock_);
        return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] {
            for (size_t i = skip; i < states_.size(); ++i)
                if (states_[i].first == state) return true;
            return false;
        });
    }
    size_t Count() const
    {
        std::lock_guard<std::mutex> lock(lock_);
        return states_.size();
    }
    std::vector<std::pair<LinkState, std::string>> States() const
    {
        std::lock_guard<std::mutex> lock(lock_);
        return states_;
    }
    std::string LastText() const
    {
        std::lock_guard<std::mutex> lock(lock_);
        return states_.empty() ? "" : states_.back().second;
    }

private:
    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::vector<std::pair<LinkState, std::string>> states_;
};

class HandlerLinkTest : public ::testing::Test {
protected:
    HandlerLinkTest()
    {
        link_path_ = folder_.File("board");
        AppSettings::SetComPort(link_path_);
        AppSettings::SetCommandTimeout(5000);
        CZovLogging::Instance().Clear();
    }
    ~HandlerLinkTest() override
    {
        link_.reset();
        if (board_) board_->Stop();
    }

    void StartBoard()
    {
        BoardSimOptions options;
        options.link_path = link_path_;
        options.trace_sink = [](const std::string&) {};
        board_ = std::make_unique<CBoardSimulator>(options);
        std::string error;
        ASSERT_TRUE(board_->Start(&error)) << error;
    }

    void MakeLink(bool handle_events)
    {
        link_ = std::make_unique<CHandlerLink>(&message_number_, handle_events, nullptr);
        link_->SetStateFunction([this](LinkState state, const std::string& text) { states_.Record(state, text); });
    }

    // The board's requests without their message IDs.
    std::vector<std::string> BoardRequests() const
    {
        std::vector<std::string> requests;
        for (const std::string& message : board_->ReceivedMessages())
            if (!message.empty() && (message[0] == 'r' || message[0] == 'w'))
                requests.push_back(CScriptedBoard::WithoutId(message));
        return requests;
    }

    CScopedSettingsFile settings_;
    CTempFolder folder_;
    std::string link_path_;
    CRecordingPrompt prompt_;
    CScopedPrompt scoped_prompt_{prompt_};
    CRecordingSink sink_;
    CScopedNotifySink scoped_sink_{sink_};
    uint16_t message_number_ = 0x0300;
    std::unique_ptr<CBoardSimulator> board_;
    CStateLog states_;
    std::unique_ptr<CHandlerLink> link_;
};

TEST_F(HandlerLinkTest, ConstructionSendsNothingAndRequestsFailAtOnceUntilStarted)
{
    StartBoard();
    MakeLink(true);
    EXPECT_EQ(link_->State(), LinkState::Disconnected);
    CArgArray in;
    in.Append("0x2013");
    in.Append("1");
    CArgArray out;
    std::string text;
    const auto start = steady_clock::now();
    EXPECT_EQ(link_->Handler().ZELSP_Read(in, out, text), 0);
    EXPECT_LT(ElapsedMs(start), 100u);
    EXPECT_EQ(Texts(out), (std::vector<std::string>{"0", "3"}));
    EXPECT_EQ(text, "ZELSP: Communication error");
    EXPECT_FALSE(link_->WaitConnected(kInfinite, nullptr));  // not started: no wait at all
    EXPECT_TRUE(board_->ReceivedMessages().empty());
    EXPECT_TRUE(sink_.PostsOf(kNotifyConnection).empty());
}

TEST_F(HandlerLinkTest, StartComesUpOnTheWorkerWithTheStartUpCommandsInOrder)
{
    StartBoard();
    MakeLink(true);
    link_->Start();
    // Coming up from the moment Start returns, whatever the worker has done yet.
    EXPECT_EQ(link_->State() == LinkState::Connected ? "Connecting to " + link_path_ + "..." : link_->StateText(),
              "Connecting to " + link_path_ + "...");
    ASSERT_TRUE(link_->WaitConnected(15000, nullptr));
    EXPECT_EQ(link_->StateText(), "Connected");
    EXPECT_EQ(BoardRequests(), (std::vector<std::string>{"w 0x2000 0x01", "w 0x2000 0x1a"}));
    const auto states = states_.States();
    ASSERT_EQ(states.size(), 2u);
    EXPECT_EQ(states[0], std::make_pair(LinkState::Connecting, "Connecting to " + link_path_ + "..."));
    EXPECT_EQ(states[1], std::make_pair(LinkState::Connected, std::string("Connected")));
    EXPECT_EQ(sink_.PostsOf(kNotifyConnection),
              (std::vector<CRecordingSink::Posted>{{kNotifyConnection, kConnectionConnecting, link_path_},
                                                   {kNotifyConnection, kConnectionConnected, link_path_}}));

    uint32_t code = 1;
    std::string version;
    EXPECT_TRUE(link_->Handler().ZelVerGetComponentVersion(6, &version, &code));
    link_->Stop();
    EXPECT_EQ(link_->State(), LinkState::Disconnected);
    EXPECT_EQ(sink_.PostsOf(kNotifyConnection).back(),
              (CRecordingSink::Posted{kNotifyConnection, kConnectionDisconnected, ""}));
    EXPECT_TRUE(prompt_.Texts().empty());
}

// The board goes away under a running link: the state says so at once, with the system's
// reason, and the tool log tells it once; requests fail at once with the link status of a link
// that is not open. When the board is back the link reconnects without anyone asking, through
// the same handler.
TEST_F(HandlerLinkTest, BoardGoneIsToldWithItsReasonAndTheLinkComesBackByItself)
{
    StartBoard();
    MakeLink(false);
    CSerialCommHandler& handler = link_->Handler();
    link_->Start();
    ASSERT_TRUE(link_->WaitConnected(15000, nullptr));
    const size_t before = states_.Count();

    board_->Stop();
    ASSERT_TRUE(states_.WaitFor(LinkState::Disconnected, before));
    EXPECT_EQ(states_.LastText(), "Disconnected: " + link_path_ + ": Input/output error");
    EXPECT_EQ(sink_.PostsOf(kNotifyConnection).back(),
              (CRecordingSink::Posted{kNotifyConnection, kConnectionDisconnected, link_path_ + ": Input/output error"}));
    size_t told = 0;
    SystemTime time;
    int32_t level = 0;
    std::string line;
    while (CZovLogging::Instance().GetNextEntry(&time, &level, &line))
        if (line.find("the port failed") != std::string::npos) {
            ++told;
            EXPECT_EQ(level, kZovLogError);
            EXPECT_NE(line.find(link_path_ + ": Input/output error"), std::string::npos) << line;
        }
    EXPECT_EQ(told, 1u);

    uint32_t code = 0;
    const auto start = steady_clock::now();
    for (int i = 0; i < 1000; ++i) EXPECT_FALSE(handler.ZelCmdStartApplication(&code));
    EXPECT_LT(ElapsedMs(start), 1000u);
    EXPECT_EQ(handler.GetLastResultText(), "ZELSP: Communication error");
    EXPECT_EQ(code, kNoResultCode);

    const size_t down = states_.Count();
    StartBoard();
    ASSERT_TRUE(states_.WaitFor(LinkState::Connected, down));
    EXPECT_EQ(&link_->Handler(), &handler);
    std::string version;
    EXPECT_TRUE(handler.ZelVerGetComponentVersion(6, &version, &code)) << handler.GetLastResultText();
    // A link that comes back by itself shows no box; the board never saw a failed attempt.
    EXPECT_TRUE(prompt_.Texts().empty());
}

TEST_F(HandlerLinkTest, PortThatDoesNotExistIsToldOnceThenTakenWhenItAppears)
{
    CSleepHook no_pauses([](uint32_t) {});
    MakeLink(false);
    link_->Start();
    ASSERT_TRUE(states_.WaitFor(LinkState::Disconnected));
    EXPECT_EQ(states_.LastText(), "Disconnected: " + link_path_ + ": No such file or directory");
    EXPECT_EQ(prompt_.Texts(), (std::vector<std::string>{
                                   "COM port could not be opened.\r\nSelect View->Preferences to change the COM port."}));

    const size_t down = states_.Count();
    StartBoard();
    ASSERT_TRUE(states_.WaitFor(LinkState::Connected, down));
    EXPECT_EQ(BoardRequests(), (std::vector<std::string>{"w 0x2000 0x01"}));
    EXPECT_EQ(prompt_.Texts().size(), 1u);
}

TEST_F(HandlerLinkTest, ReconnectClosesAndOpensAgainInANewSession)
{
    StartBoard();
    MakeLink(false);
    link_->Start();
    ASSERT_TRUE(link_->WaitConnected(15000, nullptr));
    const size_t before = states_.Count();
    link_->Reconnect();
    ASSERT_TRUE(states_.WaitFor(LinkState::Connected, before));
    const auto states = states_.States();
    EXPECT_EQ(states[before].first, LinkState::Connecting);
    EXPECT_EQ(BoardRequests(), (std::vector<std::string>{"w 0x2000 0x01", "w 0x2000 0x01"}));
}

// A board that acknowledges every frame and never answers, with no command time-out: the start-up
// command would wait for ever. The owner is never held up by it: Stop and Reconnect end the wait
// at once, and WaitConnected gives up on the owner's stop event.
TEST_F(HandlerLinkTest, SilentBoardNeverHoldsUpTheOwner)
{
    AppSettings::SetCommandTimeout(0);
    CPtyPair pty;
    CScriptedBoard board(pty);
    board.SetResponder([](const std::string&, const std::string&) { return std::vector<std::string>{}; });
    AppSettings::SetComPort(pty.SlavePath());
    MakeLink(true);

    link_->Start();
    ASSERT_TRUE(board.WaitForMessages(2, 15000));  // the 500 ms try and the one without limit
    EXPECT_EQ(link_->StateText(), "Connecting to " + pty.SlavePath() + "...");
    CEvent stop(CEvent::Kind::ManualReset, true);
    EXPECT_FALSE(link_->WaitConnected(kInfinite, &stop));

    auto start = steady_clock::now();
    link_->Reconnect();
    ASSERT_TRUE(board.WaitForMessages(4, 15000));
    EXPECT_LT(ElapsedMs(start), 3000u);

    start = steady_clock::now();
    link_->Stop();
    EXPECT_LT(ElapsedMs(start), 500u);
    EXPECT_EQ(link_->State(), LinkState::Disconnected);
    // Stopped by the owner: no box about the log that was never reset.
    EXPECT_TRUE(prompt_.Texts().empty());
}

// A port that opens onto a board that takes no frame at all: the link is not called connected.
// It says why, without a box, and comes up by itself once the board answers.
TEST_F(HandlerLinkTest, BoardThatAcknowledgesNothingIsNotConnected)
{
    CPtyPair pty;
    CScriptedBoard board(pty);
    board.SetAcknowledging(false);
    AppSettings::SetComPort(pty.SlavePath());
    MakeLink(false);
    link_->Start();
    ASSERT_TRUE(states_.WaitFor(LinkState::Disconnected));
    EXPECT_EQ(states_.LastText(), "Disconnected: " + pty.SlavePath() + ": the controller board does not answer");
    for (const auto& [state, text] : states_.States()) EXPECT_NE(state, LinkState::Connected);
    const size_t down = states_.Count();
    board.SetAcknowledging(true);
    ASSERT_TRUE(states_.WaitFor(LinkState::Connected, down));
    EXPECT_TRUE(prompt_.Texts().empty());
}

}  // namespace
