// The runtime link under every fault the simulated board can inject: each fault at 3 % on a
// board of its own, 300 requests through the handler (150 writes, each read back). A request
// must end within its bound and either succeed with the right data or fail with the link's
// time-out or the board's refusal; a value read back that was never written, a reply taken for
// another request, or any other failure is wrong. The rows run side by side, each on its own
// board and handler, so the matrix costs about as long as its slowest row.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <set>
#include <thread>

#include "BoardSimulator.h"
#include "FaultMatrix.h"
#include "TestSupport.h"
#include "handler/SerialCommHandler.h"
#include "platform/Format.h"
#include "platform/Prompt.h"
#include "shell/AppSettings.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kRate = 0.03;
constexpr int kPairs = 150;
constexpr uint32_t kSeed = 13;
constexpr uint32_t kCommandTimeoutMs = 2500;
// Longer than the command time-out: a delayed reply comes after its request gave up, while the
// next request waits, and must not be taken for that one's.
constexpr uint32_t kReplyDelayMs = 3000;
constexpr uint32_t kRefusalCode = 0x08000022;
// A request sends its frame up to 4 times 500 ms apart and then waits for the reply.
constexpr uint64_t kRequestBoundMs = 4 * 500 + kCommandTimeoutMs + 1500;

constexpr SimFault kRuntimeFaults[] = {
    SimFault::CorruptFrame, SimFault::DropFrame,  SimFault::RefuseFrame, SimFault::DuplicateFrame, SimFault::LineNoise,
    SimFault::SplitFrame,   SimFault::DelayReply, SimFault::LoseReply,   SimFault::ResultCode,
};

// Two requested values of Application 1 (device 0): a 32-bit number, and a table of 16 words
// whose long frames give the line faults more to hit.
struct tagTarget {
    uint32_t index;
    uint32_t subindex;
    bool words;
};
constexpr tagTarget kDoserate{0x2021, 6, false};
constexpr tagTarget kRatioTable{0x2021, 14, true};

// The value of pair i, in the form the board sends it back.
std::string ValueText(const tagTarget& target, int i)
{
    if (!target.words) {
        return Format("0x%x", 100000u + static_cast<unsigned>(i) * 7919u);
    }
    std::string text = "0x";
    for (unsigned k = 0; k < 16; ++k) {
        text += Format("%04x", (static_cast<unsigned>(i) * 16u + k) * 37u & 0xFFFFu);
    }
    return text;
}

uint64_t MsSince(Clock::time_point start)
{
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// One fault's board, handler and traffic.
class CRuntimeRow {
public:
    CRuntimeRow(SimFault fault, CFaultMatrix& matrix)
        : fault_(fault), name_(Format("%s=%.2f", SimFaultName(fault), kRate)), matrix_(matrix)
    {
        matrix_.AddRow(name_, {"write", "read"});
    }

    bool StartBoard(std::string* error)
    {
        BoardSimOptions options;
        options.trace_sink = [](const std::string&) {};
        options.faults.seed = kSeed;
        options.faults[fault_].rate = kRate;
        options.faults.reply_delay_ms = kReplyDelayMs;
        options.faults.result_code = kRefusalCode;
        board_ = std::make_unique<CBoardSimulator>(options);
        return board_->Start(error);
    }

    // Owner's thread: the handler reads its port from the settings.
    bool Connect()
    {
        AppSettings::SetComPort(board_->DevicePath());
        handler_ = std::make_unique<CSerialCommHandler>(&message_number_, false, nullptr);
        return handler_->IsConnected();
    }

    void Run()
    {
        for (int i = 0; i < kPairs; ++i) {
            const tagTarget& target = i % 2 == 0 ? kDoserate : kRatioTable;
            Write(target, ValueText(target, i));
            Read(target);
        }
    }

    // Owner's thread.
    void Finish()
    {
        struck_ = board_->FaultsStruck(fault_);
        handler_.reset();
        board_->Stop();
        matrix_.SetStruck(name_, struck_);
    }

    uint32_t Struck() const { return struck_; }
    const std::string& Name() const { return name_; }

private:
    struct tagOutcome {
        int result = 0;
        CArgArray out;
        std::string text;
        uint16_t message_id = 0;
        uint64_t ms = 0;
    };

    tagOutcome Request(const tagTarget& target, const std::string* value)
    {
        tagOutcome outcome;
        CArgArray in;
        in.Append(target.index);
        in.Append(target.subindex);
        if (value != nullptr) in.Append(*value);
        outcome.message_id = message_number_;  // this thread alone takes message numbers
        const Clock::time_point start = Clock::now();
        outcome.result = value != nullptr ? handler_->ZELSP_Write(in, outcome.out, outcome.text)
                                          : handler_->ZELSP_Read(in, outcome.out, outcome.text);
        outcome.ms = MsSince(start);
        return outcome;
    }

    // Counts an outcome that is not a success: false when it is one.
    bool CountFailure(const char* operation, const tagOutcome& outcome)
    {
        const CArgArray& out = outcome.out;
        if (outcome.ms > kRequestBoundMs) {
            matrix_.Wrong(name_, operation, Format("took %llu ms", static_cast<unsigned long long>(outcome.ms)),
                          outcome.ms);
            return true;
        }
        if (CSerialCommHandler::IsRequestOk(outcome.result, out)) {
            if (out.GetArgUlong(3) != outcome.message_id) {
                matrix_.Wrong(name_, operation,
                              Format("reply of another request taken: \"%s\" for message ID 0x%04x", outcome.text.c_str(),
                                     outcome.message_id),
                              outcome.ms);
                return true;
            }
            return false;
        }
        const uint32_t status = out.NumOfArgs() >= 2 ? out.GetArgUlong(1) : 0xFFFFFFFF;
        const bool timed_out = outcome.result == 0 && status == 4 && outcome.text == "ZELSP: Communication timeout";
        const bool refused = fault_ == SimFault::ResultCode && outcome.result == 1 && status == 0 &&
                             out.NumOfArgs() >= 5 && out.GetArgUlong(4) == kRefusalCode &&
                             out.GetArgUlong(3) == outcome.message_id;
        if (timed_out) {
            matrix_.Failed(name_, operation, outcome.text, outcome.ms);
        } else if (refused) {
            matrix_.Failed(name_, operation, "refused with " + out.GetArgString(4), outcome.ms);
        } else {
            matrix_.Wrong(name_, operation, Format("failed with link status %u: \"%s\"", status, outcome.text.c_str()),
                          outcome.ms);
        }
        return true;
    }

    void Write(const tagTarget& target, const std::string& value)
    {
        const tagOutcome outcome = Request(target, &value);
        std::set<std::string>& possible = possible_[target.subindex];
        if (CountFailure("write", outcome)) {
            // A write whose reply was lost or came late may still have been taken; a refused
            // one was not.
            if (outcome.result == 0) possible.insert(value);
            return;
        }
        matrix_.Succeeded(name_, "write", outcome.ms);
        possible = {value};
    }

    void Read(const tagTarget& target)
    {
        const tagOutcome outcome = Request(target, nullptr);
        if (CountFailure("read", outcome)) return;
        const std::set<std::string>& possible = possible_[target.subindex];
        const std::string value = outcome.out.GetArgString(5);
        if (!possible.empty() && possible.count(value) == 0) {
            matrix_.Wrong(name_, "read", Format("read %s, written %s", value.c_str(), possible.rbegin()->c_str()),
                          outcome.ms);
            return;
        }
        matrix_.Succeeded(name_, "read", outcome.ms);
    }

    const SimFault fault_;
    const std::string name_;
    CFaultMatrix& matrix_;
    std::unique_ptr<CBoardSimulator> board_;
    uint16_t message_number_ = 0x0100;
    std::unique_ptr<CSerialCommHandler> handler_;
    // Per subindex, the values the board may hold after the writes so far.
    std::map<uint32_t, std::set<std::string>> possible_;
    uint32_t struck_ = 0;
};

TEST(RuntimeFaultMatrix, EveryFaultAtThreePercent)
{
    CScopedSettingsFile settings;
    CRecordingPrompt prompt;
    CScopedPrompt scoped_prompt(prompt);
    AppSettings::SetCommandTimeout(kCommandTimeoutMs);
    CFaultMatrix matrix(Format("fault matrix: runtime faults at %.0f %%, %d requests each through the handler "
                               "(seed %u, command time-out %u ms, reply delay %u ms)",
                               kRate * 100, 2 * kPairs, kSeed, kCommandTimeoutMs, kReplyDelayMs));

    std::vector<std::unique_ptr<CRuntimeRow>> rows;
    for (SimFault fault : kRuntimeFaults) {
        rows.push_back(std::make_unique<CRuntimeRow>(fault, matrix));
        std::string error;
        ASSERT_TRUE(rows.back()->StartBoard(&error)) << error;
        ASSERT_TRUE(rows.back()->Connect()) << SimFaultName(fault);
    }
    const Clock::time_point start = Clock::now();
    std::vector<std::thread> threads;
    for (const auto& row : rows) threads.emplace_back([&row] { row->Run(); });
    for (std::thread& thread : threads) thread.join();
    const uint64_t ms = MsSince(start);
    for (const auto& row : rows) row->Finish();

    matrix.Print();
    std::printf("all rows ran side by side in %.1f s\n", static_cast<double>(ms) / 1000.0);
    EXPECT_THAT(matrix.Problems(), ::testing::IsEmpty());
    for (const auto& row : rows) EXPECT_GT(row->Struck(), 0u) << row->Name() << " never struck: its cells prove nothing";
    EXPECT_THAT(prompt.Texts(), ::testing::IsEmpty());
}

}  // namespace
