#include "SimFrameLink.h"

#include <cstdint>
#include <utility>

#include "FaultPlan.h"
#include "platform/Format.h"

namespace {

constexpr char kStart = '$';
constexpr char kStop = '\r';

// Only '0'-'9' and 'A'-'F' count as hex digits on this line; lower case is refused.
int HexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string Printable(const std::string& bytes)
{
    std::string text;
    for (unsigned char c : bytes) {
        if (c == '\r') {
            text += "<CR>";
        } else if (c < 0x20 || c >= 0x7F) {
            text += Format("<%02X>", c);
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}

}  // namespace

CSimFrameLink::CSimFrameLink(Hooks hooks, CFaultPlan* faults, uint32_t ack_timeout_ms, int attempts)
    : hooks_(std::move(hooks)), faults_(faults), ack_timeout_ms_(ack_timeout_ms), attempts_(attempts)
{
}

std::string CSimFrameLink::BuildFrame(uint8_t number, char type, const std::string& payload)
{
    std::string frame = Format("%c%02X%c", kStart, number, type) + payload;
    uint8_t sum = 0;
    for (unsigned char c : frame) {
        sum ^= c;
    }
    frame += Format("%02X", sum);
    frame += kStop;
    return frame;
}

void CSimFrameLink::OnByte(uint8_t byte, uint64_t now_ms)
{
    if (!in_frame_) {
        if (byte == kStart) {
            in_frame_ = true;
            frame_.assign(1, static_cast<char>(byte));
        }
        return;
    }
    frame_ += static_cast<char>(byte);
    if (byte == kStop) {
        in_frame_ = false;
        HandleFrame(now_ms);
        return;
    }
    if (frame_.size() >= kMaxFrame) {
        Trace("rx dropped: frame longer than 287 bytes");
        in_frame_ = false;
        frame_.clear();
    }
}

void CSimFrameLink::Refuse(uint8_t number, const char* reason)
{
    Trace(Format("rx %s refused: %s", Printable(frame_).c_str(), reason));
    WriteFrame(BuildFrame(number, 'N', ""), false);
}

void CSimFrameLink::HandleFrame(uint64_t now_ms)
{
    const std::string& f = frame_;
    if (f.size() < 7) {
        Refuse(0xFF, "frame too small");
        return;
    }
    const int high = HexValue(f[1]);
    const int low = HexValue(f[2]);
    if (high < 0) {
        Refuse(0xFF, "invalid frame number");
        return;
    }
    if (low < 0) {
        Refuse(static_cast<uint8_t>(high * 16), "invalid frame number");
        return;
    }
    const uint8_t number = static_cast<uint8_t>(high * 16 + low);
    uint8_t sum = 0;
    for (size_t i = 0; i + 3 < f.size(); ++i) {
        sum ^= static_cast<uint8_t>(f[i]);
    }
    const int sum_high = HexValue(f[f.size() - 3]);
    const int sum_low = HexValue(f[f.size() - 2]);
    if (sum_high < 0 || sum_low < 0 || sum != sum_high * 16 + sum_low) {
        Refuse(number, "invalid checksum");
        return;
    }
    const char type = f[3];
    if (type == 'A' || type == 'N') {
        if (sending_ && number == transmit_number_) {
            if (type == 'A') {
                Trace(Format("rx %s: frame %02X acknowledged", Printable(f).c_str(), number));
                sending_ = false;
                StartNext(now_ms);
            } else {
                Trace(Format("rx %s: frame %02X refused, sending again", Printable(f).c_str(), number));
                Transmit(now_ms);
            }
        } else {
            Trace(Format("rx %s: no frame %02X waits for it", Printable(f).c_str(), number));
        }
        return;
    }
    if (type != 'D') {
        Refuse(number, "invalid frame type");
        return;
    }
    if (faults_ != nullptr && faults_->Strike(SimFault::RefuseFrame)) {
        Refuse(number, "refused on demand (fault)");
        return;
    }
    WriteFrame(BuildFrame(number, 'A', ""), false);
    if (!first_frame_ && number == last_received_) {
        Trace(Format("rx %s: same frame received twice, dropped", Printable(f).c_str()));
        return;
    }
    first_frame_ = false;
    last_received_ = number;
    const std::string message = f.substr(4, f.size() - 7);
    Trace(Format("rx %s", Printable(f).c_str()));
    if (message.empty()) {
        Trace("rx empty data frame, nothing to deliver");
        return;
    }
    if (hooks_.deliver) {
        hooks_.deliver(message);
    }
}

void CSimFrameLink::Send(const std::string& message, uint64_t now_ms)
{
    queue_.push_back(message);
    if (!sending_) {
        StartNext(now_ms);
    }
}

void CSimFrameLink::StartNext(uint64_t now_ms)
{
    if (sending_ || queue_.empty()) {
        return;
    }
    current_ = std::move(queue_.front());
    queue_.pop_front();
    transmit_number_ = static_cast<uint8_t>(transmit_number_ + 1);
    attempt_ = 0;
    sending_ = true;
    Transmit(now_ms);
}

void CSimFrameLink::Transmit(uint64_t now_ms)
{
    if (attempt_ >= attempts_) {
        Trace(Format("tx frame %02X not acknowledged after %d attempts, given up", transmit_number_,
                     attempts_));
        sending_ = false;
        StartNext(now_ms);
        return;
    }
    ++attempt_;
    const std::string frame = BuildFrame(transmit_number_, 'D', current_);
    if (attempt_ > 1) {
        Trace(Format("tx attempt %d of frame %02X", attempt_, transmit_number_));
    }
    WriteFrame(frame, true);
    deadline_ms_ = now_ms + ack_timeout_ms_;
}

void CSimFrameLink::WriteFrame(const std::string& frame, bool data_frame)
{
    if (!hooks_.write) {
        return;
    }
    std::string bytes = frame;
    if (faults_ != nullptr) {
        if (faults_->Strike(SimFault::DropFrame)) {
            Trace(Format("tx %s dropped (fault)", Printable(frame).c_str()));
            return;
        }
        if (faults_->Strike(SimFault::CorruptFrame)) {
            // Change the last checksum digit to another valid digit: the frame stays well formed
            // and only the checksum test can find the damage.
            char& digit = bytes[bytes.size() - 2];
            digit = digit == '0' ? '1' : '0';
            Trace(Format("tx %s with a corrupted checksum (fault)", Printable(bytes).c_str()));
        }
        if (faults_->Strike(SimFault::LineNoise)) {
            std::string noise;
            const uint32_t count = 1 + faults_->Draw(SimFault::LineNoise) % 4;
            for (uint32_t i = 0; i < count; ++i) {
                // Printable noise that can never start a frame, end one or enter boot mode.
                char c = static_cast<char>('a' + faults_->Draw(SimFault::LineNoise) % 26);
                noise += c;
            }
            Trace(Format("tx noise \"%s\" before the frame (fault)", noise.c_str()));
            bytes = noise + bytes;
        }
        if (faults_->Strike(SimFault::SplitFrame)) {
            const size_t half = bytes.size() / 2;
            const uint32_t gap = faults_->Settings().split_gap_ms;
            Trace(Format("tx %s split by a %u ms gap (fault)", Printable(bytes).c_str(), gap));
            hooks_.write(bytes.substr(0, half), 0);
            hooks_.write(bytes.substr(half), gap);
            return;
        }
        if (data_frame && faults_->Strike(SimFault::DuplicateFrame)) {
            Trace(Format("tx %s twice (fault)", Printable(bytes).c_str()));
            hooks_.write(bytes, 0);
        }
    }
    Trace(Format("tx %s", Printable(bytes).c_str()));
    hooks_.write(bytes, 0);
}

void CSimFrameLink::Poll(uint64_t now_ms)
{
    if (sending_ && now_ms >= deadline_ms_) {
        Transmit(now_ms);
    }
}

uint64_t CSimFrameLink::NextDeadlineMs() const
{
    return sending_ ? deadline_ms_ : UINT64_MAX;
}

void CSimFrameLink::Reset()
{
    in_frame_ = false;
    frame_.clear();
    first_frame_ = true;
    last_received_ = 0;
    queue_.clear();
    sending_ = false;
    attempt_ = 0;
}

void CSimFrameLink::Trace(const std::string& text) const
{
    if (hooks_.trace) {
        hooks_.trace(text);
    }
}
