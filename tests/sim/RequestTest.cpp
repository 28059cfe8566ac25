// Read and write requests as the tool sends them, answered by the simulated subsystem: one row
// per request, in order, on one link (rows may depend on the rows before them).
#include <gtest/gtest.h>

#include "SimFixture.h"

namespace {

struct RequestRow {
    const char* request;
    const char* reply;  // exact reply, or its beginning when prefix is set
    bool prefix = false;
};

class RequestTest : public SimFixture {
protected:
    void RunRows(const std::vector<RequestRow>& rows)
    {
        for (const RequestRow& row : rows) {
            const std::string reply = line_->Request(row.request);
            if (row.prefix) {
                EXPECT_EQ(reply.substr(0, std::string(row.reply).size()), row.reply) << row.request;
            } else {
                EXPECT_EQ(reply, row.reply) << row.request;
            }
        }
    }
};

TEST_F(RequestTest, CommandObjectAndVersionObject)
{
    StartBoard();
    RunRows({
        {"r 0x0001 0x2000 0x00", "c 0x0001 0x00 0x24"},
        {"w 0x0002 0x2000 0x01", "c 0x0002 0x00"},
        {"w 0x7ffd 0x2000 0x01", "c 0x7ffd 0x00"},
        {"r 0x0003 0x2013 0x00", "c 0x0003 0x00 0x8"},
        {"r 0x0004 0x2013 0x06", "c 0x0004 0x00 0x17 Ib: FPGA Type: 2 Rev: 7"},
        {"r 0x0005 0x2013 0x09", "c 0x0005 0x06090011"},
        {"w 0x0006 0x2013 0x01 0x01", "c 0x0006 0x06010002"},
        {"r 0x0007 0x3000 0x00", "c 0x0007 0x06020000"},
        {"w 0x0008 0x2000 0x0e 5", "c 0x0008 0x00"},
        {"r 0x0009 0x2000 0x0e", "c 0x0009 0x00 0x5"},
        {"w 0x000a 0x2000 0x0e 0x08", "c 0x000a 0x06090030"},
        {"r 0x000b 0x2000 0x0e", "c 0x000b 0x00 0x5"},
        {"r 0x000c 0x2000 0x04", "c 0x000c 0x06010001"},
        {"w 0x000d 0x2000 0x04", "c 0x000d 0x06070010"},
        {"w 0x000e 0x2000 0x04 banana", "c 0x000e 0x06070010"},
        {"w 0x000f 0x2000 0x06", "c 0x000f 0x06090011"},
        {"w 0x0010 0x2000 0x25", "c 0x0010 0x06090011"},
    });
}

TEST_F(RequestTest, UnreadableRequestsGetNoReply)
{
    StartBoard();
    EXPECT_EQ(line_->Request("w 0x0001 0x2000 0x01"), "c 0x0001 0x00");
    EXPECT_EQ(line_->ReadFrame(2000), RawFrame(0x02, 'D', "ds whoami"));
    line_->Write(RawFrame(0x02, 'A', ""));
    for (const char* text : {"r", "r 0x0001", "x 0x0001 0x2000 0x00", "r 0x0001 0x2000 0x100"}) {
        const uint8_t n = line_->NextNumber();
        line_->Write(RawFrame(n, 'D', text));
        EXPECT_EQ(line_->ReadFrame(2000), RawFrame(n, 'A', "")) << text;
        EXPECT_EQ(line_->ReadQuiet(300), "") << text;
    }
}

}  // namespace
