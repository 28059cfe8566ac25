#include "procedures/BuffersDump.h"

#include "handler/SerialCommHandler.h"
#include "platform/Format.h"
#include "platform/Prompt.h"

namespace {

constexpr uint32_t kSystemWideBuffer = 0;
constexpr uint32_t kFirstApplicationBuffer = 1;
constexpr uint32_t kLastApplicationBuffer = 8;
constexpr uint32_t kFieldServiceBuffer = 9;
constexpr uint32_t kReviewBuffer = 10;

// Only an FPGA of type 2 has the Review buffer.
constexpr uint32_t kFpgaComponent = 6;
constexpr char kReviewFpga[] = "Ib: FPGA Type: 2";

constexpr char kRule[] = "==========================================================\r\n";
constexpr char kThinRule[] = "----------------------------------------------------------\r\n";

}  // namespace

namespace BuffersDumpText {

std::string DeviceName(uint32_t logical_device)
{
    switch (logical_device) {
    case 0:
        return "Image Detection ";
    case 1:
        return "Image Processing";
    default:
        return "";
    }
}

std::string BufferName(uint32_t buffer)
{
    if (buffer == kSystemWideBuffer) return "  System Wide";
    if (buffer >= kFirstApplicationBuffer && buffer <= kLastApplicationBuffer) {
        return Format("Application %u", buffer);
    }
    if (buffer == kFieldServiceBuffer) return "Field Service";
    if (buffer == kReviewBuffer) return "       Review";
    return "";
}

std::string Header(uint32_t logical_device, uint32_t buffer, bool with_accepted)
{
    return std::string(kRule) +
           Format("Logical Device: %s     Buffer: %s\r\n", DeviceName(logical_device).c_str(),
                  BufferName(buffer).c_str()) +
           kRule +
           Format("Parameter Name                   |  Requested |   %s\r\n",
                  with_accepted ? "Accepted" : "") +
           kThinRule;
}

std::string Value(const ParamValue& value)
{
    switch (value.type) {
    case kParamBool:
        return value.number != 0 ? "TRUE" : "FALSE";
    case kParamUlong:
    case kParamUshort:
    case kParamUchar:
        return Format("%u", value.number);
    case kParamWordArray: {
        std::string text;
        for (uint16_t word : value.words) text += Format("%u ", static_cast<unsigned>(word));
        return text;
    }
    case kParamShort:
        return Format("%d", static_cast<int>(value.signed_number));
    case kParamByteArray:
        return Format("%d %d", static_cast<int>(static_cast<int8_t>(value.bytes[0])),
                      static_cast<int>(static_cast<int8_t>(value.bytes[1])));
    default:
        return "";
    }
}

std::string Line(const std::string& name, const std::string& requested, const std::string* accepted)
{
    std::string line = Format("%-33s| %10s | ", name.c_str(), requested.c_str());
    if (accepted != nullptr) line += Format("%10s", accepted->c_str());
    return line + "\r\n";
}

}  // namespace BuffersDumpText

CBuffersDump::CBuffersDump(CSerialCommHandler& handler, AddedFunction on_added, FinishedFunction on_finished)
    : handler_(handler),
      on_added_(std::move(on_added)),
      on_finished_(std::move(on_finished)),
      read_timeout_ms_(handler.CommandTimeout() == kInfinite ? kUnlimitedReadBoundMs
                                                             : handler.CommandTimeout()),
      dev0_table_(CDev0ParamTable::AcquireInstance()),
      dev1_table_(CDev1ParamTable::AcquireInstance())
{
}

CBuffersDump::~CBuffersDump()
{
    RequestStop();
    worker_.Join();
    CDev1ParamTable::ReleaseInstance();
    CDev0ParamTable::ReleaseInstance();
}

bool CBuffersDump::Start()
{
    if (started_) return false;
    started_ = true;
    return worker_.Start([this] { DumpAll(); });
}

void CBuffersDump::Run()
{
    if (started_) return;
    started_ = true;
    DumpAll();
}

void CBuffersDump::RequestStop()
{
    stop_event_.Set();
}

std::string CBuffersDump::Text() const
{
    std::lock_guard<std::mutex> guard(text_lock_);
    return text_;
}

void CBuffersDump::DumpAll()
{
    uint32_t code = kNoResultCode;
    if (!handler_.ZelCmdStartApplication(&code, read_timeout_ms_)) {
        ShowMessage("Start Application failed.", PromptIcon::Warning);
    }
    // A dump that was stopped ends the worker at once; the text keeps what it has.
    if (!DumpDeviceBuffers(0) || !DumpDeviceBuffers(1) || !DumpReviewWhenPresent()) {
        stopped_ = true;
    }
    if (on_finished_) on_finished_();
}

bool CBuffersDump::DumpDeviceBuffers(uint32_t logical_device)
{
    if (!DumpBuffer(logical_device, kFieldServiceBuffer, Values::RequestedOnly)) return false;
    if (!DumpBuffer(logical_device, kSystemWideBuffer, Values::RequestedOnly)) return false;
    for (uint32_t buffer = kFirstApplicationBuffer; buffer <= kLastApplicationBuffer; ++buffer) {
        if (stop_event_.IsSet()) return false;
        if (ApplicationInvolved(logical_device, buffer) &&
            !DumpBuffer(logical_device, buffer, Values::WithAccepted)) {
            return false;
        }
    }
    return true;
}

bool CBuffersDump::ApplicationInvolved(uint32_t logical_device, uint32_t buffer)
{
    ParamValue involved;
    uint32_t code = kNoResultCode;
    return handler_.ZelDevGetAcc(logical_device, buffer, "Involved", &involved, &code, read_timeout_ms_) &&
           involved.number != 0;
}

bool CBuffersDump::DumpReviewWhenPresent()
{
    if (stop_event_.IsSet()) return false;
    std::string version;
    uint32_t code = kNoResultCode;
    if (!handler_.ZelVerGetComponentVersion(kFpgaComponent, &version, &code, read_timeout_ms_) ||
        version.compare(0, sizeof kReviewFpga - 1, kReviewFpga) != 0) {
        return true;
    }
    return DumpBuffer(1, kReviewBuffer, Values::WithAccepted);
}

bool CBuffersDump::DumpBuffer(uint32_t logical_device, uint32_t buffer, Values values)
{
    uint32_t highest = 0;
    uint32_t code = kNoResultCode;
    const bool indexed = handler_.ZelDevGetHighestPossibleIndex(logical_device, &highest, &code, read_timeout_ms_);
    if (indexed && highest > 0) {
        Add(BuffersDumpText::Header(logical_device, buffer, values == Values::WithAccepted));
    }
    for (uint32_t subindex = 2; indexed && subindex <= highest; subindex += 2) {
        if (stop_event_.IsSet()) return false;
        const char* name = Table(logical_device).GetParamName(static_cast<uint16_t>(subindex));
        std::string line;
        if (name != nullptr && ReadLine(logical_device, buffer, name, values, &line)) {
            ++parameter_lines_;
            Add(line);
        }
    }
    Add("\r\n");
    return true;
}

bool CBuffersDump::ReadLine(uint32_t logical_device, uint32_t buffer, const char* name, Values values,
                            std::string* line)
{
    ParamValue requested;
    uint32_t code = kNoResultCode;
    if (!handler_.ZelDevGetReq(logical_device, buffer, name, &requested, &code, read_timeout_ms_)) {
        return false;
    }
    if (values == Values::RequestedOnly) {
        *line = BuffersDumpText::Line(name, BuffersDumpText::Value(requested), nullptr);
        return true;
    }
    ParamValue accepted;
    if (!handler_.ZelDevGetAcc(logical_device, buffer, name, &accepted, &code, read_timeout_ms_)) {
        return false;
    }
    const std::string accepted_text = BuffersDumpText::Value(accepted);
    *line = BuffersDumpText::Line(name, BuffersDumpText::Value(requested), &accepted_text);
    return true;
}

void CBuffersDump::Add(const std::string& piece)
{
    {
        std::lock_guard<std::mutex> guard(text_lock_);
        text_ += piece;
    }
    if (on_added_) on_added_(piece);
}

const CParamTable& CBuffersDump::Table(uint32_t logical_device) const
{
    if (logical_device == 0) return *dev0_table_;
    return *dev1_table_;
}
