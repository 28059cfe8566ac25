// The simulated subsystem's Object Dictionary, message text in and reply text out: each table
// runs in order on one subsystem, so later rows see what earlier rows did.
#include <gtest/gtest.h>

#include <chrono>

#include "FaultPlan.h"
#include "Scenario.h"
#include "Subsystem.h"
#include "TestSupport.h"

namespace {

struct Row {
    const char* request;
    const char* reply;
};

void RunRows(CSubsystem& subsystem, const std::vector<Row>& rows, uint64_t now_ms = 1000)
{
    for (const Row& row : rows) {
        EXPECT_EQ(subsystem.HandleMessage(row.request, now_ms), row.reply) << row.request;
    }
}

std::string Reply(CSubsystem& subsystem, const std::string& request, uint64_t now_ms = 1000)
{
    return subsystem.HandleMessage(request, now_ms);
}

// The values after "c <id> <code> ".
std::string Values(const std::string& reply)
{
    size_t at = 0;
    for (int blanks = 0; blanks < 3 && at != std::string::npos; ++blanks) {
        at = reply.find(' ', at == 0 ? 0 : at + 1);
    }
    return at == std::string::npos ? "" : reply.substr(at + 1);
}

TEST(SubsystemTest, ParameterBuffersAndValidation)
{
    CScenario scenario;
    scenario.min_doserate = 2500;
    CSubsystem s(scenario, nullptr);
    RunRows(s, {
        {"r 0x0001 0x2021 0x00", "c 0x0001 0x00 0x35"},
        {"r 0x0002 0x2821 0x00", "c 0x0002 0x00 0x2d"},
        {"r 0x0003 0x201f 0x06", "c 0x0003 0x08000024"},  // field service value not set
        {"r 0x0004 0x2021 0x06", "c 0x0004 0x00 0xbb8"},
        {"w 0x0005 0x201f 0x06 1000", "c 0x0005 0x00"},
        {"r 0x0006 0x201f 0x06", "c 0x0006 0x00 0x3e8"},
        {"r 0x0007 0x201f 0x07", "c 0x0007 0x08000024"},  // not accepted before validation
        {"w 0x0008 0x201f 0x07 5", "c 0x0008 0x06010002"},
        // Below the doserate limit: refused, with the doserate's bit (subindex 6 -> bit 3).
        {"w 0x0009 0x2000 0x02 1", "c 0x0009 0x08000020"},
        {"r 0x000a 0x2001 0x02", "c 0x000a 0x00 0x08000000"},
        {"r 0x000b 0x2001 0x01", "c 0x000b 0x00 0x4"},
        {"w 0x000c 0x201f 0x06 2500", "c 0x000c 0x00"},
        {"w 0x000d 0x2000 0x02 1", "c 0x000d 0x00"},
        {"r 0x000e 0x2001 0x02", "c 0x000e 0x00 0x00000000"},
        {"r 0x000f 0x2021 0x07", "c 0x000f 0x00 0x9c4"},
        {"r 0x0010 0x201f 0x07", "c 0x0010 0x00 0x9c4"},
        {"r 0x0011 0x2022 0x07", "c 0x0011 0x00 0xbb8"},  // buffer 2 keeps its own value
        // Unset clears the field service value; only buffer codes 0x00 and 0xff exist.
        {"w 0x0012 0x2000 0x07 0xff0600", "c 0x0012 0x00"},
        {"r 0x0013 0x201f 0x06", "c 0x0013 0x08000024"},
        {"w 0x0014 0x2000 0x07 0x030600", "c 0x0014 0x06090030"},
        {"w 0x0015 0x2000 0x07 0xff0700", "c 0x0015 0x06090011"},
        {"w 0x0016 0x2000 0x07 0xff06", "c 0x0016 0x06070010"},
        // Values must fit their type.
        {"w 0x0017 0x2021 0x02 0x02", "c 0x0017 0x06070010"},
        {"w 0x0018 0x2021 0x02 0x01", "c 0x0018 0x00"},
        {"r 0x0019 0x2021 0x02", "c 0x0019 0x00 0x1"},
        {"w 0x001a 0x2021 0x0e 0x0001000200030004000500060007000800090010001100120013001400150016",
         "c 0x001a 0x00"},
        {"r 0x001b 0x2021 0x0e", "c 0x001b 0x00 0x0001000200030004000500060007000800090010001100120013001400150016"},
        {"w 0x001c 0x2021 0x0e 0x1234", "c 0x001c 0x06070010"},
        {"w 0x001d 0x2021 0x1e 70000", "c 0x001d 0x06070010"},
        {"w 0x001e 0x2821 0x26 -90", "c 0x001e 0x00"},
        {"r 0x001f 0x2821 0x26", "c 0x001f 0x00 -90"},
        {"w 0x0020 0x2821 0x2a 0x1020", "c 0x0020 0x00"},
        {"r 0x0021 0x2821 0x2a", "c 0x0021 0x00 0x1020"},
        {"r 0x0022 0x2821 0x2c", "c 0x0022 0x00 0x0"},
        {"r 0x0023 0x2821 0x2e", "c 0x0023 0x06090011"},
        // An integration time not below the interval time (subindex 30 -> bit 15).
        {"w 0x0024 0x201f 0x1e 400", "c 0x0024 0x00"},
        {"w 0x0025 0x2000 0x02 1", "c 0x0025 0x08000020"},
        {"r 0x0026 0x2001 0x02", "c 0x0026 0x00 0x00800000"},
        {"r 0x0027 0x2001 0x03", "c 0x0027 0x06090011"},
        // Minimum and maximum; the field size range comes from the configuration.
        {"r 0x0028 0x201e 0x06", "c 0x0028 0x00 0x32"},
        {"r 0x0029 0x201e 0x07", "c 0x0029 0x00 0x493e0"},
        {"r 0x002a 0x201e 0x10", "c 0x002a 0x00 0xe6"},
        {"r 0x002b 0x201e 0x11", "c 0x002b 0x00 0x17c"},
        {"r 0x002c 0x281e 0x26", "c 0x002c 0x00 -180"},
        {"w 0x002d 0x281e 0x26 0", "c 0x002d 0x06010002"},
        // 0x2801: validation subindexes read the validation object of device 1, the rest is
        // device 0's review buffer.
        {"r 0x002e 0x2801 0x00", "c 0x002e 0x00 0x14"},
        {"r 0x002f 0x2801 0x01", "c 0x002f 0x00 0x4"},
        {"w 0x0030 0x2801 0x02 0x01", "c 0x0030 0x00"},
        {"r 0x0031 0x2801 0x03", "c 0x0031 0x00 0x0"},
        {"w 0x0032 0x2000 0x1b", "c 0x0032 0x08000020"},  // the field service time still counts
        {"w 0x0034 0x2000 0x07 0xff1e00", "c 0x0034 0x00"},
        {"w 0x0032 0x2000 0x1b", "c 0x0032 0x00"},  // validate review settings
        {"r 0x0033 0x2801 0x03", "c 0x0033 0x00 0x1"},
    });
}

TEST(SubsystemTest, PrepareActivateAndSwitch)
{
    CSubsystem s(CScenario(), nullptr);
    RunRows(s, {
        {"w 0x0001 0x2000 0x05 1", "c 0x0001 0x08000022"},  // nothing prepared
        {"w 0x0002 0x2000 0x04 1", "c 0x0002 0x00"},
        {"w 0x0003 0x2000 0x04 2", "c 0x0003 0x08000022"},  // buffer 1 is prepared
        {"w 0x0004 0x2000 0x05 1", "c 0x0004 0x00"},
        {"w 0x0005 0x2000 0x03 2", "c 0x0005 0x00"},
        {"w 0x0006 0x2000 0x09 0x0201", "c 0x0006 0x00"},
        {"w 0x0007 0x2000 0x09 0x0203", "c 0x0007 0x08000022"},  // 3 never validated
        {"w 0x0008 0x2000 0x09 0x0102", "c 0x0008 0x08000022"},  // 1 is not the active one
        {"w 0x0009 0x2000 0x08 3", "c 0x0009 0x08000022"},
        {"w 0x000a 0x2000 0x08 1", "c 0x000a 0x00"},
        {"w 0x000b 0x2000 0x08 0", "c 0x000b 0x06090030"},
        {"w 0x000c 0x2000 0x02 11", "c 0x000c 0x06090030"},
        {"w 0x000d 0x2000 0x02 1 2", "c 0x000d 0x06070010"},
        {"w 0x000e 0x2000 0x0f 1", "c 0x000e 0x06070010"},
    });
}

TEST(SubsystemTest, CalibrationCommandsAndTheCalibrationObject)
{
    CSubsystem s(CScenario(), nullptr);
    const std::string before = Reply(s, "r 0x0001 0x2007 0x01");
    RunRows(s, {
        {"r 0x0002 0x2007 0x00", "c 0x0002 0x00 0x8"},
        {"w 0x0003 0x2000 0x10 101", "c 0x0003 0x08000022"},  // needs calibration 1
        {"w 0x0004 0x2000 0x10 999", "c 0x0004 0x06090030"},
        {"w 0x0005 0x2000 0x10 1", "c 0x0005 0x00"},
        {"w 0x0006 0x2000 0x10 101", "c 0x0006 0x00"},
        {"w 0x0007 0x2000 0x11 101", "c 0x0007 0x00"},
        {"w 0x0008 0x2000 0x11 101", "c 0x0008 0x08000022"},  // not running any more
        {"w 0x0009 0x2000 0x12 101", "c 0x0009 0x08000022"},  // sub-calibrations are not stored
        {"w 0x000a 0x2000 0x12 4", "c 0x000a 0x08000022"},    // 4 is not running
        {"w 0x000b 0x2000 0x12 1", "c 0x000b 0x00"},
        {"w 0x000c 0x2000 0x11 1", "c 0x000c 0x00"},
    });
    const std::string after = Reply(s, "r 0x000d 0x2007 0x01");
    EXPECT_NE(Values(after), Values(before)) << "storing calibration 1 changes its record";
    EXPECT_EQ(Values(after).size(), Values(before).size());
    EXPECT_EQ(s.CalibrationRecords()[0], Values(after));

    // A calibration stopped without storing leaves the record as it was.
    RunRows(s, {
        {"w 0x000e 0x2000 0x10 4", "c 0x000e 0x00"},
        {"w 0x000f 0x2000 0x10 403", "c 0x000f 0x00"},
        {"w 0x0010 0x2000 0x11 403", "c 0x0010 0x00"},
        {"w 0x0011 0x2000 0x11 4", "c 0x0011 0x00"},
    });
    EXPECT_EQ(Reply(s, "r 0x0012 0x2007 0x02"), "c 0x0012 0x00 " + s.CalibrationRecords()[1]);
    const std::string record2 = s.CalibrationRecords()[1];

    // Written records show in the object at once and are taken over by the restore command.
    RunRows(s, {
        {"w 0x0013 0x2007 0x02 0xdeadbeef", "c 0x0013 0x00"},
        {"r 0x0014 0x2007 0x02", "c 0x0014 0x00 0xdeadbeef"},
        {"w 0x0015 0x2007 0x02 0xdeadbee", "c 0x0015 0x06070010"},
        {"w 0x0016 0x2007 0x02 0xzz", "c 0x0016 0x06070010"},
        {"w 0x0017 0x2007 0x02", "c 0x0017 0x06070010"},
        {"w 0x0018 0x2007 0x09 0x00", "c 0x0018 0x06090011"},
        {"w 0x0019 0x2007 0x00 0x09", "c 0x0019 0x06010002"},
    });
    EXPECT_EQ(s.CalibrationRecords()[1], record2) << "not yet restored";
    EXPECT_EQ(Reply(s, "w 0x001a 0x2000 0x18"), "c 0x001a 0x00");
    EXPECT_EQ(s.CalibrationRecords()[1], "0xdeadbeef");
}

TEST(SubsystemTest, TestsAndTheAverageVideoLevel)
{
    CScenario scenario;
    scenario.video_start = 600;
    scenario.video_target = 1000;
    scenario.video_time_constant_ms = 1000;
    scenario.video_noise = 0;
    CSubsystem s(scenario, nullptr);
    RunRows(s, {
        {"r 0x0001 0x2809 0x00", "c 0x0001 0x00 0x4"},
        {"r 0x0002 0x2809 0x01", "c 0x0002 0x00 0x258"},  // idle: the start level
        {"w 0x0003 0x2000 0x16 99", "c 0x0003 0x06090030"},
        {"w 0x0004 0x2000 0x17 11", "c 0x0004 0x08000022"},
        {"w 0x0005 0x2000 0x16 11", "c 0x0005 0x00"},
        {"w 0x0006 0x2000 0x16 11", "c 0x0006 0x08000022"},
        {"w 0x0007 0x2809 0x01 0", "c 0x0007 0x06010002"},
    });
    // The level climbs from the start towards the target while test 11 runs.
    uint64_t previous = 0;
    for (uint64_t t : {1000, 1500, 2000, 4000, 9000}) {
        uint64_t level = std::stoull(Values(Reply(s, "r 0x0008 0x2809 0x01", t)), nullptr, 0);
        EXPECT_GT(level, previous) << "at " << t;
        EXPECT_LE(level, 1000u);
        previous = level;
    }
    EXPECT_GE(previous, 995u);
    EXPECT_EQ(Reply(s, "r 0x0009 0x2809 0x03", 9000), "c 0x0009 0x00 0x210");  // 512 + 16 bins
    EXPECT_EQ(Reply(s, "r 0x000a 0x2809 0x04", 9000), "c 0x000a 0x00 0x200");
    EXPECT_EQ(Reply(s, "w 0x000b 0x2000 0x17 11"), "c 0x000b 0x00");
    EXPECT_EQ(Reply(s, "r 0x000c 0x2809 0x01", 9000), "c 0x000c 0x00 0x258");
}

TEST(SubsystemTest, ScenarioForTheTestsBench)
{
    CScenario scenario;
    scenario.post_result = 5;
    scenario.post_clears_after_reads = 2;
    scenario.involved_applications = {1, 3};
    scenario.video_start = 1000;
    scenario.video_noise = 0;
    scenario.video_wave = 100;
    scenario.video_wave_period_ms = 4000;
    CSubsystem s(scenario, nullptr);
    RunRows(s, {
        // The self test error is repaired after two reads.
        {"r 0x0001 0x2010 0x01", "c 0x0001 0x00 0x00000005"},
        {"r 0x0002 0x2010 0x01", "c 0x0002 0x00 0x00000005"},
        {"r 0x0003 0x2010 0x01", "c 0x0003 0x00 0x00000000"},
        // Applications 1 and 3 are involved on both devices, the others are not.
        {"r 0x0004 0x2021 0x03", "c 0x0004 0x00 0x1"},
        {"r 0x0005 0x2022 0x03", "c 0x0005 0x00 0x0"},
        {"r 0x0006 0x2823 0x03", "c 0x0006 0x00 0x1"},
        {"r 0x0007 0x2823 0x02", "c 0x0007 0x00 0x1"},
        {"w 0x0008 0x2000 0x16 11", "c 0x0008 0x00"},
    });
    // The level swings around the settled level with the wave's period.
    auto level = [&](uint64_t t) { return std::stoull(Values(Reply(s, "r 0x0009 0x2809 0x01", t)), nullptr, 0); };
    EXPECT_EQ(level(1000), 1000u);
    EXPECT_EQ(level(2000), 1100u);  // a quarter period: the top
    EXPECT_EQ(level(4000), 900u);   // three quarters: the bottom
}

TEST(SubsystemTest, InformationObjects)
{
    CScenario scenario;
    scenario.post_result = 5;
    scenario.ii_type = 2;
    scenario.field_sizes = {310, 230};
    scenario.sid_offsets = {0x1234, 0xabcd};
    scenario.versions = {{1, "Cb: App 9"}, {6, "Ib: FPGA Type: 3"}};
    CSubsystem s(scenario, nullptr);
    const std::string zeros(14 * 4, '0');
    RunRows(s, {
        {"r 0x0001 0x2008 0x00", "c 0x0001 0x00 0xc"},
        {"r 0x0002 0x2008 0x02", "c 0x0002 0x00 0x2"},
        {"r 0x0003 0x2008 0x03", "c 0x0003 0x00 0x2"},
        {"r 0x0006 0x2008 0x05", "c 0x0006 0x06090011"},
        {"w 0x0007 0x2008 0x02 1", "c 0x0007 0x06010002"},
        {"r 0x0008 0x2010 0x00", "c 0x0008 0x00 0x1"},
        {"r 0x0009 0x2010 0x01", "c 0x0009 0x00 0x00000005"},
        {"r 0x000a 0x2013 0x00", "c 0x000a 0x00 0x6"},
        {"r 0x000b 0x2013 0x01", "c 0x000b 0x00 0x09 Cb: App 9"},
        {"r 0x000c 0x2013 0x02", "c 0x000c 0x06090011"},
        {"r 0x000d 0x2013 0x06", "c 0x000d 0x00 0x10 Ib: FPGA Type: 3"},
        {"r 0x000e 0x2000 0x00", "c 0x000e 0x00 0x24"},
        // Review images.
        {"w 0x000f 0x2000 0x24", "c 0x000f 0x08000024"},
        {"w 0x0010 0x2000 0x1f", "c 0x0010 0x00"},
        {"w 0x0011 0x2000 0x1e", "c 0x0011 0x08000022"},
        {"w 0x0012 0x2000 0x1f", "c 0x0012 0x00"},
        {"w 0x0013 0x2000 0x1d", "c 0x0013 0x00"},
        {"w 0x0014 0x2000 0x24", "c 0x0014 0x00"},
        {"w 0x0015 0x2000 0x23", "c 0x0015 0x00"},
        {"w 0x0016 0x2000 0x21", "c 0x0016 0x00"},
        {"w 0x0017 0x2000 0x20", "c 0x0017 0x08000024"},
        {"w 0x0018 0x2000 0x22", "c 0x0018 0x00"},
    });
    EXPECT_EQ(Reply(s, "r 0x0004 0x2008 0x04"), "c 0x0004 0x00 0x013600e6" + zeros);
    EXPECT_EQ(Reply(s, "r 0x0005 0x2008 0x0c"), "c 0x0005 0x00 0x1234abcd" + zeros);
}

// Decodes a LogEntryInfo value: "0x", sequence (2), logging ID (4), reserved (2), component
// (2), severity (2), time of day (8, least significant byte first), day number (4, likewise).
struct Info {
    unsigned sequence, id, reserved, component, severity;
    uint32_t time_of_day;
    uint32_t day;
};
Info Decode(const std::string& value)
{
    auto hex = [&](size_t at, size_t n) { return std::stoul(value.substr(at, n), nullptr, 16); };
    auto le = [&](size_t at, int bytes) {
        uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) {
            v = v << 8 | static_cast<uint32_t>(hex(at + 2 * static_cast<size_t>(i), 2));
        }
        return v;
    };
    EXPECT_EQ(value.size(), 26u) << value;
    return {static_cast<unsigned>(hex(2, 2)), static_cast<unsigned>(hex(4, 4)),
            static_cast<unsigned>(hex(8, 2)), static_cast<unsigned>(hex(10, 2)),
            static_cast<unsigned>(hex(12, 2)), le(14, 4), le(22, 2)};
}

TEST(SubsystemTest, LogEntriesEventsAndTheSubsystemClock)
{
    CScenario scenario;
    scenario.log_entries = {{0, 0x1234, 5, 4, "Iris motor, slow"}, {500, 0x0042, 2, 6, "Camera lost"}};
    scenario.events = {{200, 2}};
    CSubsystem s(scenario, nullptr);
    EXPECT_TRUE(s.TakeUnsolicited(1000).empty()) << "no events before the link is up";
    EXPECT_EQ(s.OnLinkUp(1000), std::vector<std::string>{"ds whoami"});
    EXPECT_EQ(s.TakeUnsolicited(1000), std::vector<std::string>{"e 1"});
    EXPECT_EQ(s.NextDeadlineMs(), 1200u);
    EXPECT_EQ(s.TakeUnsolicited(1200), std::vector<std::string>{"e 2"});
    EXPECT_TRUE(s.TakeUnsolicited(1300).empty());
    EXPECT_EQ(s.NextDeadlineMs(), 1500u);
    RunRows(s, {
        {"r 0x0001 0x2011 0x00", "c 0x0001 0x00 0x4"},
        {"r 0x0002 0x2011 0x01", "c 0x0002 0x00 0x1"},
        {"r 0x0003 0x2011 0x03", "c 0x0003 0x08000024"},  // no current entry yet
        {"w 0x0004 0x2000 0x0f", "c 0x0004 0x00"},
        {"r 0x0005 0x2011 0x01", "c 0x0005 0x00 0x0"},
        {"r 0x0006 0x2011 0x02", "c 0x0006 0x00 0x10"},
        {"r 0x0007 0x2011 0x03", "c 0x0007 0x00 0x10 Iris motor, slow"},
        {"w 0x0008 0x2000 0x0f", "c 0x0008 0x08000024"},
    });
    using namespace std::chrono;
    const int64_t unix_s = duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
    const Info info = Decode(Values(Reply(s, "r 0x0009 0x2011 0x04")));
    EXPECT_EQ(info.sequence, 1u);
    EXPECT_EQ(info.id, 0x1234u);
    EXPECT_EQ(info.reserved, 0u);
    EXPECT_EQ(info.component, 5u);
    EXPECT_EQ(info.severity, 4u);
    const int64_t stamp_s = static_cast<int64_t>(info.day) * 86400 + info.time_of_day / 1000;
    EXPECT_NEAR(static_cast<double>(stamp_s), static_cast<double>(unix_s - CSubsystem::kEpochOffsetS), 5.0);

    EXPECT_EQ(s.TakeUnsolicited(1500), std::vector<std::string>{"e 1"});
    // Setting the clock to 1984-01-01 00:00 UTC: day 0, 01:00 in the subsystem's time.
    RunRows(s, {
        {"w 0x000a 0x2000 0x0d 0x0036ee800000", "c 0x000a 0x00"},
        {"w 0x000b 0x2000 0x0d 0x0036ee80", "c 0x000b 0x06070010"},
        {"w 0x000c 0x2000 0x0e 0", "c 0x000c 0x00"},
        {"w 0x000d 0x2000 0x16 2", "c 0x000d 0x00"},  // logs "Test 2 started" at level 0
        {"r 0x000e 0x2011 0x01", "c 0x000e 0x00 0x2"},
        {"w 0x000f 0x2000 0x0f", "c 0x000f 0x00"},
        {"w 0x0010 0x2000 0x0f", "c 0x0010 0x00"},
        {"r 0x0011 0x2011 0x03", "c 0x0011 0x00 0x0e Test 2 started"},
    });
    const Info clocked = Decode(Values(Reply(s, "r 0x0012 0x2011 0x04")));
    EXPECT_EQ(clocked.day, 0u);
    EXPECT_GE(clocked.time_of_day, 3600000u);
    EXPECT_LT(clocked.time_of_day, 3600000u + 5000u);
    EXPECT_EQ(clocked.sequence, 3u);
    // Reset log empties it; a higher level keeps lesser entries out.
    RunRows(s, {
        {"w 0x0013 0x2000 0x1a", "c 0x0013 0x00"},
        {"r 0x0014 0x2011 0x01", "c 0x0014 0x00 0x0"},
        {"r 0x0015 0x2011 0x02", "c 0x0015 0x08000024"},
        {"w 0x0016 0x2000 0x0e 7", "c 0x0016 0x00"},
        {"w 0x0017 0x2000 0x17 2", "c 0x0017 0x00"},
        {"r 0x0018 0x2011 0x01", "c 0x0018 0x00 0x0"},
    });
}

TEST(SubsystemTest, ScenarioChoices)
{
    CScenario scenario;
    scenario.image_processing = false;
    scenario.forced_results[0x2000u << 8 | 0x10] = 0x08000022;
    scenario.validation_fail_first = 1;
    CSubsystem s(scenario, nullptr);
    RunRows(s, {
        {"r 0x0001 0x2821 0x00", "c 0x0001 0x00 0x2"},
        {"r 0x0002 0x2821 0x04", "c 0x0002 0x06090011"},
        {"r 0x0003 0x2821 0x02", "c 0x0003 0x00 0x0"},
        {"w 0x0004 0x2000 0x10 1", "c 0x0004 0x08000022"},
        {"w 0x0005 0x2000 0x02 1", "c 0x0005 0x08000020"},
        {"r 0x0006 0x2001 0x02", "c 0x0006 0x00 0x01000000"},
        {"w 0x0007 0x2000 0x02 1", "c 0x0007 0x00"},
    });
    CFaultPlan faults([] {
        FaultSettings f;
        std::string error;
        f.Parse("result=1x@1", &error);
        f.result_code = 0x12345678;
        return f;
    }());
    CSubsystem faulty(CScenario(), &faults);
    RunRows(faulty, {
        {"r 0x0001 0x2000 0x00", "c 0x0001 0x00 0x24"},
        {"r 0x0002 0x2000 0x00", "c 0x0002 0x12345678"},
        {"r 0x0003 0x2000 0x00", "c 0x0003 0x00 0x24"},
    });
}

TEST(ScenarioTest, TheExampleScenariosLoad)
{
    for (const char* name : {"doserate-limits.ini", "self-test-error.ini", "bad-line.ini"}) {
        CScenario s;
        std::string error;
        EXPECT_TRUE(s.Load(std::string(ZOV_SIM_SCENARIOS) + "/" + name, &error)) << name << ": " << error;
        for (const std::string& fault : s.fault_settings) {
            FaultSettings f;
            EXPECT_TRUE(f.Parse(fault, &error)) << name << ": " << error;
        }
    }
}

TEST(ScenarioTest, FileValuesAndMalformedLines)
{
    CTempFolder folder;
    const std::string good = folder.Write("good.ini",
                                          "[Subsystem]\nIIType=3\nReceptorFieldSizes=230, 170,0x8c\n"
                                          "PostResult=0x10\nImageProcessing=0\nPostClearsAfterReads=4\n"
                                          "InvolvedApplications=2,8\n"
                                          "[Versions]\nComponent6=Ib: FPGA Type: 1\nHighest=7\n"
                                          "[Log]\nLevel=1\nEntry1=200, 4, 5, 0x99, Lamp, hot\n"
                                          "[Events]\nEvent1=1000, 3\n"
                                          "[Validation]\nMode=fail\nMinDoserate=100\nMinDoserate170=900\n"
                                          "[Results]\nResult1=0x2013, 6, 0x06090011\n"
                                          "[Calibration]\nRecords=3\nRecord2=0x0102\n"
                                          "[Faults]\nFault1=corrupt=0.5\n");
    CScenario s;
    std::string error;
    ASSERT_TRUE(s.Load(good, &error)) << error;
    EXPECT_EQ(s.ii_type, 3u);
    EXPECT_EQ(s.field_sizes, (std::vector<uint16_t>{230, 170, 140}));
    EXPECT_EQ(s.post_result, 16u);
    EXPECT_EQ(s.post_clears_after_reads, 4u);
    EXPECT_EQ(s.involved_applications, (std::vector<uint16_t>{2, 8}));
    EXPECT_FALSE(s.image_processing);
    EXPECT_EQ(s.versions.size(), 7u);
    EXPECT_EQ(s.versions[6], "Ib: FPGA Type: 1");
    EXPECT_EQ(s.versions.count(8), 0u) << "above the highest component";
    EXPECT_EQ(s.versions[7], "Camera: 1.12") << "built-in texts stay unless replaced";
    EXPECT_EQ(s.log_level, 1u);
    ASSERT_EQ(s.log_entries.size(), 1u);
    EXPECT_EQ(s.log_entries[0].delay_ms, 200u);
    EXPECT_EQ(s.log_entries[0].logging_id, 0x99u);
    EXPECT_EQ(s.log_entries[0].text, "Lamp, hot");
    EXPECT_EQ(s.events, (std::vector<std::pair<uint32_t, uint32_t>>{{1000, 3}}));
    EXPECT_EQ(s.validation_mode, "fail");
    EXPECT_EQ(s.min_doserate_by_size.at(170), 900u);
    EXPECT_EQ(s.forced_results.at(0x2013u << 8 | 6), 0x06090011u);
    EXPECT_EQ(s.calibration_records, 3u);
    EXPECT_EQ(s.calibration_texts.at(2), "0x0102");
    EXPECT_EQ(s.fault_settings, std::vector<std::string>{"corrupt=0.5"});

    const char* bad[] = {
        "[Subsystem]\nIIType=two\n",
        "[Subsystem]\nReceptorFieldSizes=1,x\n",
        "[Log]\nEntry1=1,2,9,4,text\n",
        "[Log]\nEntry1=1,2,3\n",
        "[Events]\nEvent1=100\n",
        "[Validation]\nMode=sometimes\n",
        "[Results]\nResult1=0x2000,0x100,1\n",
        "[Calibration]\nRecords=300\n",
        "[Subsystem]\nInvolvedApplications=1,9\n",
    };
    for (const char* text : bad) {
        CScenario b;
        error.clear();
        EXPECT_FALSE(b.Load(folder.Write("bad.ini", text), &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
    CScenario missing;
    EXPECT_FALSE(missing.Load(folder.File("none.ini"), &error));
}

}  // namespace
