#include "SimBoardFixture.h"

#include "shell/AppSettings.h"

namespace {

// The message without its ID: "r 0x0123 0x2020 0x02" -> "r 0x2020 0x02".
std::string WithoutId(const std::string& message)
{
    const size_t first = message.find(' ');
    const size_t second = first == std::string::npos ? first : message.find(' ', first + 1);
    if (second == std::string::npos) return message;
    return message.substr(0, first) + message.substr(second);
}

bool IsRequest(const std::string& message)
{
    return !message.empty() && (message[0] == 'r' || message[0] == 'w');
}

}  // namespace

SimBoardTest::~SimBoardTest()
{
    handler_.reset();
    if (sim_) sim_->Stop();
}

void SimBoardTest::StartBoard(const std::string& scenario, const std::string& state)
{
    BoardSimOptions options;
    if (!scenario.empty()) options.scenario_file = folder_.Write("scenario.ini", scenario);
    if (!state.empty()) options.state_file = folder_.Write("state.txt", state);
    options.trace_sink = [](const std::string&) {};
    sim_ = std::make_unique<CBoardSimulator>(options);
    std::string error;
    ASSERT_TRUE(sim_->Start(&error)) << error;
    AppSettings::SetComPort(sim_->DevicePath());
    // Generous: a loaded machine may stall a thread for a second.
    AppSettings::SetCommandTimeout(5000);
    handler_ = std::make_unique<CSerialCommHandler>(&message_number_, true, nullptr);
    ASSERT_TRUE(handler_->IsConnected());
    ClearRequests();
}

std::vector<std::string> SimBoardTest::Requests() const
{
    const std::vector<std::string> messages = sim_->ReceivedMessages();
    std::vector<std::string> requests;
    for (size_t i = requests_seen_; i < messages.size(); ++i) {
        if (IsRequest(messages[i])) requests.push_back(WithoutId(messages[i]));
    }
    return requests;
}

void SimBoardTest::ClearRequests()
{
    requests_seen_ = sim_->ReceivedMessages().size();
}

std::vector<std::string> CrLfLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}
