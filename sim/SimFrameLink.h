// The board's side of the framed link: it cuts frames out of the received byte stream, checks
// them, acknowledges good data frames, refuses bad ones, drops repeated ones, and sends its own
// messages as numbered data frames that it repeats until they are acknowledged (at most
// `attempts` times, `ack_timeout_ms` apart). It is written from the wire format alone and shares
// no code with the tool's frame layer.
//
// Single-threaded: the simulator's loop thread feeds bytes, sends and polls. Times are the
// caller's monotonic milliseconds.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

class CFaultPlan;

class CSimFrameLink {
public:
    struct Hooks {
        // Puts bytes on the line after a pause of delay_ms behind what is already queued.
        std::function<void(const std::string& bytes, uint32_t delay_ms)> write;
        // An accepted, new message (without frame characters).
        std::function<void(const std::string& message)> deliver;
        // One line of the readable trace (may be empty: no trace).
        std::function<void(const std::string& text)> trace;
    };

    // The longest frame the board accepts, carriage return included; longer ones are dropped
    // without an answer.
    static constexpr size_t kMaxFrame = 287;

    CSimFrameLink(Hooks hooks, CFaultPlan* faults, uint32_t ack_timeout_ms, int attempts);

    // One received byte of the runtime stream.
    void OnByte(uint8_t byte, uint64_t now_ms);
    // True while a frame has started ('$' seen) and not yet ended.
    bool InFrame() const { return in_frame_; }

    // Queues a message for sending; it goes out when the frames before it are acknowledged.
    void Send(const std::string& message, uint64_t now_ms);
    // Repeats or gives up an unacknowledged frame whose time has come.
    void Poll(uint64_t now_ms);
    // When Poll next has something to do; UINT64_MAX when nothing waits.
    uint64_t NextDeadlineMs() const;
    // True when nothing is queued or waiting for an acknowledgement.
    bool Idle() const { return !sending_ && queue_.empty(); }

    // Forgets the peer: the next data frame counts as the first, the partial frame and every
    // queued message are dropped (a new program opened the line, or the board was reset).
    void Reset();

    // Builds a frame: '$', two hex digits, the type, the payload, the checksum, CR.
    static std::string BuildFrame(uint8_t number, char type, const std::string& payload);

private:
    void HandleFrame(uint64_t now_ms);
    void Refuse(uint8_t number, const char* reason);
    void WriteFrame(const std::string& frame, bool data_frame);
    void StartNext(uint64_t now_ms);
    void Transmit(uint64_t now_ms);
    void Trace(const std::string& text) const;

    Hooks hooks_;
    CFaultPlan* faults_;
    const uint32_t ack_timeout_ms_;
    const int attempts_;

    // Receiving.
    bool in_frame_ = false;
    std::string frame_;
    bool first_frame_ = true;
    uint8_t last_received_ = 0;

    // Sending.
    std::deque<std::string> queue_;
    bool sending_ = false;
    std::string current_;
    uint8_t transmit_number_ = 0;
    int attempt_ = 0;
    uint64_t deadline_ms_ = 0;
};
