#include "ProcedureFixture.h"

#include "handler/ParamTable.h"
#include "platform/Format.h"
#include "shell/AppSettings.h"

ProcedureTest::ProcedureTest() = default;

ProcedureTest::~ProcedureTest()
{
    handler_.reset();
    if (sim_) sim_->Stop();
}

void ProcedureTest::StartBoard(const std::string& scenario)
{
    BoardSimOptions options;
    if (!scenario.empty()) options.scenario_file = folder_.Write("scenario.ini", scenario);
    options.trace_sink = [](const std::string&) {};
    sim_ = std::make_unique<CBoardSimulator>(options);
    std::string error;
    ASSERT_TRUE(sim_->Start(&error)) << error;
    AppSettings::SetComPort(sim_->DevicePath());
    AppSettings::SetCommandTimeout(5000);
    // Without events: the event thread's log reads would mix with the procedure's requests.
    handler_ = std::make_unique<CSerialCommHandler>(&message_number_, false, nullptr);
    ASSERT_TRUE(handler_->IsConnected());
    Mark();
}

std::vector<std::string> ProcedureTest::RequestsSinceMark() const
{
    std::vector<std::string> requests;
    const std::vector<std::string> messages = sim_->ReceivedMessages();
    for (size_t i = mark_; i < messages.size(); ++i) {
        const std::string& message = messages[i];
        if (message.empty() || (message[0] != 'r' && message[0] != 'w')) continue;
        // "w 0x0301 0x2000 0x01" without its message ID.
        const size_t first = message.find(' ');
        const size_t second = message.find(' ', first + 1);
        requests.push_back(message.substr(0, first) + (second == std::string::npos ? "" : message.substr(second)));
    }
    return requests;
}

void ProcedureTest::Mark()
{
    mark_ = sim_->ReceivedMessages().size();
}

bool ProcedureTest::PressUntil(CProcedure& procedure, const std::string& state)
{
    for (int press = 0; press < 60 && procedure.StateName() != state; ++press) {
        const uint32_t before = procedure.State();
        procedure.PressStart();
        if (procedure.State() == before || procedure.State() == 1) return procedure.StateName() == state;
    }
    return procedure.StateName() == state;
}

namespace {

const ParamEntry& EntryOf(uint32_t logical_device, const std::string& name)
{
    static const CParamTable* tables[] = {CDev0ParamTable::AcquireInstance(), CDev1ParamTable::AcquireInstance()};
    const ParamEntry* entry = tables[logical_device]->GetParam(name);
    if (entry == nullptr) ADD_FAILURE() << "no parameter " << name;
    static const ParamEntry none{};
    return entry != nullptr ? *entry : none;
}

}  // namespace

std::string SetText(uint32_t logical_device, const std::string& name, const std::string& value)
{
    return Format("w 0x%04x 0x%02x %s", logical_device == 0 ? 0x201F : 0x281F,
                  EntryOf(logical_device, name).requested_subindex, value.c_str());
}

std::string UnsetText(uint32_t logical_device, const std::string& name)
{
    return Format("w 0x2000 0x07 0xff%02x%02x", EntryOf(logical_device, name).requested_subindex, logical_device);
}

std::string CommandText(uint32_t subindex, int number)
{
    return number < 0 ? Format("w 0x2000 0x%02x", subindex) : Format("w 0x2000 0x%02x %d", subindex, number);
}

void Append(std::vector<std::string>& a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
}
