// Replies from a board that may say anything: the reply splitter and the typed operations that
// read values out of replies, against a board on a pseudo-terminal that answers every request
// with the fuzzer's text. The first byte picks the operation; with its top bit clear the rest is
// the reply as it stands (after "c" and the request's message ID), with it set the rest is made
// into a well-formed value that must read back exactly.
//
// Whatever the reply, the handler must not crash or leak, and:
//  - the splitter keeps every character that is no separator, in order, in at most four values,
//    and splitting its values joined by blanks gives the same values;
//  - a typed operation succeeds only when the reply's result code is the number 0, reports the
//    reply's result code, and leaves its out value alone when it fails;
//  - a well-formed number, word groups, log entry information, error bits or parameter value
//    reads back as the value it was made from.
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "PtyPair.h"
#include "TestSupport.h"
#include "handler/SerialCommHandler.h"
#include "platform/Format.h"
#include "platform/Prompt.h"
#include "shell/AppSettings.h"

namespace {

constexpr uint32_t kCommandTimeoutMs = 2000;
// Whether the number readers read a value as a number should: up to the first character that
// cannot belong to it ("0x5 extra" is 5), failing when there is no number at all.
constexpr bool kNumbersReadUpToTheirEnd = true;
// "c 0x%04x " takes 9 of the 280 bytes a message may have.
constexpr size_t kMaxRest = 271;

void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "reply fuzz: %s\n", what);
        std::abort();
    }
}

std::string Hex2(uint8_t value)
{
    static const char digits[] = "0123456789ABCDEF";
    return std::string{digits[value >> 4], digits[value & 15]};
}

// The board's side: acknowledges every data frame and answers each request with "c", its
// message ID and the rest set for the current input. Written from the frame format alone.
class CAnsweringBoard {
public:
    explicit CAnsweringBoard(CPtyPair& pty) : pty_(pty), thread_([this] { Run(); }) {}
    ~CAnsweringBoard()
    {
        stop_ = true;
        thread_.join();
    }
    CAnsweringBoard(const CAnsweringBoard&) = delete;
    CAnsweringBoard& operator=(const CAnsweringBoard&) = delete;

    void SetRest(const std::string& rest)
    {
        std::lock_guard<std::mutex> guard(lock_);
        rest_ = rest;
    }

private:
    static std::string Frame(const std::string& number, char type, const std::string& message)
    {
        std::string frame = "$" + number + type + message;
        uint8_t sum = 0;
        for (char c : frame) sum ^= static_cast<uint8_t>(c);
        return frame + Hex2(sum) + "\r";
    }

    void Run()
    {
        std::string pending;
        while (!stop_) {
            pollfd fd{pty_.MasterFd(), POLLIN, 0};
            if (poll(&fd, 1, 50) <= 0) continue;
            char buffer[512];
            const ssize_t n = read(fd.fd, buffer, sizeof buffer);
            if (n <= 0) continue;
            pending.append(buffer, static_cast<size_t>(n));
            for (size_t end; (end = pending.find('\r')) != std::string::npos;) {
                const size_t start = pending.find('$');
                if (start != std::string::npos && start < end) Answer(pending.substr(start, end - start + 1));
                pending.erase(0, end + 1);
            }
        }
    }

    void Answer(const std::string& frame)
    {
        if (frame.size() < 7 || frame[3] != 'D') return;
        std::string bytes = Frame(frame.substr(1, 2), 'A', "");
        const std::string message = frame.substr(4, frame.size() - 7);
        if (!message.empty() && (message[0] == 'r' || message[0] == 'w')) {
            const size_t id_start = message.find(' ') + 1;
            const std::string id = message.substr(id_start, message.find(' ', id_start) - id_start);
            std::string rest;
            {
                std::lock_guard<std::mutex> guard(lock_);
                rest = rest_;
            }
            number_ = static_cast<uint8_t>(number_ + 1);
            bytes += Frame(Hex2(number_), 'D', "c " + id + " " + rest);
        }
        pty_.Write(bytes);
    }

    CPtyPair& pty_;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::string rest_;
    uint8_t number_ = 0;
    std::thread thread_;
};

class CSilentPrompt : public IPrompt {
public:
    void ShowMessage(const std::string&, PromptIcon, const std::string&) override {}
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    bool AskOkCancel(const std::string&, const std::string&) override { return false; }
};

// Everything one fuzzing run shares, built at the first input and taken down in order at exit.
struct tagBench {
    tagBench()
    {
        AppSettings::SetComPort(pty.SlavePath());
        AppSettings::SetCommandTimeout(kCommandTimeoutMs);
        handler = std::make_unique<CSerialCommHandler>(&message_number, false, nullptr);
        Require(handler->IsConnected(), "the handler did not connect");
    }
    ~tagBench() { handler.reset(); }

    CSilentPrompt prompt;
    CScopedPrompt scoped_prompt{prompt};
    CScopedSettingsFile settings;
    CPtyPair pty;
    CAnsweringBoard board{pty};
    uint16_t message_number = 0;
    std::unique_ptr<CSerialCommHandler> handler;
};

tagBench& Bench()
{
    static tagBench bench;
    return bench;
}

// What survives the line: 7-bit characters, none that ends or starts a frame or ends the text.
std::string LineText(const uint8_t* data, size_t size)
{
    std::string text;
    for (size_t i = 0; i < size && text.size() < kMaxRest; ++i) {
        const char c = static_cast<char>(data[i] & 0x7F);
        text += c == '\r' || c == '$' || c == '\0' ? ' ' : c;
    }
    return text;
}

std::string WithoutSeparators(const std::string& text)
{
    std::string kept;
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') kept += c;
    }
    return kept;
}

void CheckSplitter(const std::string& reply)
{
    CArgArray values;
    CSerialCommHandler::ParseReply(reply, values);
    Require(values.NumOfArgs() <= 4, "more than four values");
    std::string joined;
    for (size_t i = 0; i < values.NumOfArgs(); ++i) joined += (i == 0 ? "" : " ") + values.GetArgString(i);
    Require(WithoutSeparators(joined) == WithoutSeparators(reply), "the splitter lost or added characters");
    CArgArray again;
    CSerialCommHandler::ParseReply(joined, again);
    Require(again.NumOfArgs() == values.NumOfArgs(), "the joined values split differently");
    for (size_t i = 0; i < values.NumOfArgs(); ++i)
        Require(again.GetArgString(i) == values.GetArgString(i), "the joined values split differently");
}

// The result code that the reply "c ID rest" carries, as the raw request reports it.
struct tagExpected {
    bool accepted = false;  // the raw request's verdict: result code present and the number 0
    uint32_t code = kNoResultCode;
};

tagExpected Expected(const std::string& rest)
{
    CArgArray out;
    out.Append(int32_t{1});
    out.Append(uint32_t{0});
    CSerialCommHandler::ParseReply("c 0x0000 " + rest, out);
    tagExpected expected;
    expected.accepted = CSerialCommHandler::IsRequestOk(1, out);
    // A result code that is no number through and through is no code.
    expected.code = out.NumOfArgs() >= 5 && out.IsNumericArg(4) ? out.GetArgUlong(4) : kNoResultCode;
    return expected;
}

void CheckVerdict(bool ok, uint32_t code, const tagExpected& expected)
{
    Require(code == expected.code, "the operation reported another result code than the reply's");
    Require(!ok || expected.accepted, "the operation succeeded on a reply that is no acceptance");
}

// The number at the start of a value text (after blanks), with automatic base; false when there
// is none or it does not fit 32 bits.
bool LeadingNumber(const std::string& text, uint32_t& number)
{
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t') ++begin;
    if (*begin < '0' || *begin > '9') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(begin, &end, 0);
    if (end == begin || errno != 0 || value > 0xFFFFFFFFull) return false;
    number = static_cast<uint32_t>(value);
    return true;
}

void CheckNumberReading(bool ok, uint32_t number, const std::string& rest, const tagExpected& expected)
{
    if (!kNumbersReadUpToTheirEnd || !expected.accepted) return;
    CArgArray out;
    CSerialCommHandler::ParseReply("c 0x0000 " + rest, out);
    uint32_t leading = 0;
    const std::string value = out.GetArgString(3);
    if (!LeadingNumber(value, leading)) {
        // Only a text without any digit is surely no number ("-5" may be one).
        if (value.find_first_of("0123456789") == std::string::npos)
            Require(!ok, "a value text without a number read as a success");
    } else {
        Require(ok && number == leading, "a number did not read as the number the value text starts with");
    }
}

// Every typed reader on a reply as it stands.
void FuzzReader(CSerialCommHandler& handler, uint8_t op, const std::string& rest)
{
    const tagExpected expected = Expected(rest);
    uint32_t code = 0x5A5A5A5A;
    bool ok = false;
    switch (op % 10) {
    case 0: {
        uint32_t number = 0xDEADBEEF;
        ok = handler.ZelCmdGetLogLevel(&number, &code);
        Require(ok || number == 0xDEADBEEF, "a failed number read changed its value");
        CheckNumberReading(ok, number, rest, expected);
        break;
    }
    case 1: {
        std::string text = "untouched";
        ok = handler.ZelVerGetComponentVersion(6, &text, &code);
        Require(ok || text == "untouched", "a failed version read changed its text");
        break;
    }
    case 2: {
        std::array<uint32_t, 16> groups{};
        groups.fill(0xDEADBEEF);
        ok = handler.ZelCfgGetReceptorFieldSizes(&groups, &code);
        Require(ok || groups[0] == 0xDEADBEEF, "a failed group read changed its values");
        break;
    }
    case 3: {
        LogEntryInfo info;
        info.logging_id = 0xBEEF;
        ok = handler.ZelLogGetLogEntryInfo(&info, &code);
        Require(ok || info.logging_id == 0xBEEF, "a failed log entry read changed its information");
        break;
    }
    case 4: {
        std::vector<uint8_t> bytes = {0xEE};
        ok = handler.ZelValGetErrorBits(0, 1, 4, &bytes, &code);
        Require(ok ? bytes.size() == 4 : bytes == std::vector<uint8_t>{0xEE}, "error bits of the wrong size");
        break;
    }
    default: {
        // One parameter of each value type.
        static const struct {
            uint32_t device;
            const char* name;
        } kParams[] = {{0, "Involved"}, {0, "RequestedDoserate"}, {0, "DoseRatioTable"}, {1, "RotationAngle"},
                       {1, "Panning"}};
        const auto& param = kParams[op % 10 - 5];
        ParamValue value;
        value.number = 0xDEADBEEF;
        value.signed_number = 0x5A5A;
        const ParamValue before = value;
        ok = handler.ZelDevGetReq(param.device, 1, param.name, &value, &code);
        Require(ok || value == before, "a failed parameter read changed its value");
        break;
    }
    }
    CheckVerdict(ok, code, expected);
}

// A well-formed value made of the bytes, which must read back exactly.
struct tagBytes {
    const uint8_t* data;
    size_t size;
    uint8_t At(size_t i) const { return i < size ? data[i] : 0; }
    uint32_t Word32(size_t i) const
    {
        return At(i) | At(i + 1) << 8 | At(i + 2) << 16 | static_cast<uint32_t>(At(i + 3)) << 24;
    }
    uint16_t Word16(size_t i) const { return static_cast<uint16_t>(At(i) | At(i + 1) << 8); }
};

void RoundTripNumber(CSerialCommHandler& handler, CAnsweringBoard& board, const tagBytes& in)
{
    const uint32_t n = in.Word32(0);
    static const char* const kForms[] = {"0x%x", "%u", "0X%X", "0%o"};
    board.SetRest("0x00 " + Format(kForms[in.At(4) % 4], n));
    uint32_t number = 0;
    uint32_t code = 1;
    const bool ok = in.At(5) % 2 == 0 ? handler.ZelLogGetNrOfAvailableLogEntries(&number, &code)
                                      : handler.ZelPstGetPowerOnSelfTestResult(&number, &code);
    Require(ok && code == 0 && number == n, "a well-formed number did not read back");
}

void RoundTripGroups(CSerialCommHandler& handler, CAnsweringBoard& board, const tagBytes& in)
{
    std::array<uint32_t, 16> sent{};
    std::string text = "0x00 0x";
    for (size_t i = 0; i < 16; ++i) {
        sent[i] = in.Word16(2 * i);
        text += Format("%04x", sent[i]);
    }
    board.SetRest(text);
    std::array<uint32_t, 16> read{};
    uint32_t code = 1;
    Require(handler.ZelCfgGetSidOffset(&read, &code) && read == sent, "well-formed word groups did not read back");
}

void RoundTripLogEntry(CSerialCommHandler& handler, CAnsweringBoard& board, const tagBytes& in)
{
    LogEntryInfo sent;
    sent.sequence_number = in.At(0);
    sent.logging_id = in.Word16(1);
    sent.reserved = in.At(3);
    sent.component_id = in.At(4);
    sent.severity = in.At(5);
    sent.time_of_day = in.Word32(6);
    sent.day_number = in.Word16(10);
    board.SetRest(Format("0x00 0x%02x%04x%02x%02x%02x%02x%02x%02x%02x%02x%02x", sent.sequence_number,
                         sent.logging_id, sent.reserved, sent.component_id, sent.severity, sent.time_of_day & 0xFF,
                         sent.time_of_day >> 8 & 0xFF, sent.time_of_day >> 16 & 0xFF, sent.time_of_day >> 24,
                         sent.day_number & 0xFF, sent.day_number >> 8));
    LogEntryInfo read;
    uint32_t code = 1;
    Require(handler.ZelLogGetLogEntryInfo(&read, &code) && read == sent, "well-formed log entry information did not read back");
}

void RoundTripErrorBits(CSerialCommHandler& handler, CAnsweringBoard& board, const tagBytes& in)
{
    const uint32_t size = 1 + in.At(0) % 8;
    std::vector<uint8_t> sent;
    std::string text = "0x00 0x";
    for (uint32_t i = 0; i < size; ++i) {
        sent.push_back(in.At(1 + i));
        text += Format("%02x", sent.back());
    }
    board.SetRest(text);
    std::vector<uint8_t> read;
    uint32_t code = 1;
    Require(handler.ZelValGetErrorBits(1, 2, size, &read, &code) && read == sent, "well-formed error bits did not read back");
}

void RoundTripParameter(CSerialCommHandler& handler, CAnsweringBoard& board, const tagBytes& in)
{
    ParamValue sent;
    std::string text;
    uint32_t device = 0;
    const char* name = nullptr;
    switch (in.At(0) % 5) {
    case 0:
        sent.type = kParamBool, sent.number = in.At(1) & 1, name = "WhiteClipper";
        text = Format("0x%x", sent.number);
        break;
    case 1:
        sent.type = kParamUlong, sent.number = in.Word32(1), name = "RequestedDoserate";
        text = Format("0x%x", sent.number);
        break;
    case 2:
        sent.type = kParamUshort, sent.number = in.Word16(1), name = "DosePerImage";
        text = Format("0x%x", sent.number);
        break;
    case 3:
        sent.type = kParamShort, sent.signed_number = static_cast<int16_t>(in.Word16(1)), device = 1,
        name = "RotationAngle";
        text = Format("%d", sent.signed_number);
        break;
    default:
        sent.type = kParamWordArray, name = "DoseRatioTable";
        text = "0x";
        for (size_t i = 0; i < 16; ++i) {
            sent.words[i] = in.Word16(1 + 2 * i);
            text += Format("%04x", sent.words[i]);
        }
        break;
    }
    board.SetRest("0x00 " + text);
    ParamValue read;
    uint32_t code = 1;
    Require(handler.ZelDevGetReq(device, 1, name, &read, &code) && read == sent, "a well-formed parameter value did not read back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    tagBench& bench = Bench();
    CSerialCommHandler& handler = *bench.handler;
    const uint8_t op = data[0];
    if ((op & 0x80) == 0) {
        const std::string rest = LineText(data + 1, size - 1);
        CheckSplitter("c 0x0000 " + rest);
        CheckSplitter(rest);
        bench.board.SetRest(rest);
        FuzzReader(handler, op, rest);
        return 0;
    }
    const tagBytes in{data + 1, size - 1};
    switch (op % 5) {
    case 0: RoundTripNumber(handler, bench.board, in); break;
    case 1: RoundTripGroups(handler, bench.board, in); break;
    case 2: RoundTripLogEntry(handler, bench.board, in); break;
    case 3: RoundTripErrorBits(handler, bench.board, in); break;
    default: RoundTripParameter(handler, bench.board, in); break;
    }
    return 0;
}
