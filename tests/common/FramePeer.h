// The board's side of the link for tests: builds, writes, reads and checks raw frame bytes on
// the master side of a pseudo-terminal, so that tests see exactly what travels on the wire.
// It implements the frame format on its own (it does not use link/), so the two sides check
// each other.
//
// A test either drives the peer step by step from its own thread (Send, ReadFrame), or starts
// the responder thread, which answers every frame it reads through a callback and records it.
// The peer owns that thread and stops and joins it in StopResponder and in its destructor.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "PtyPair.h"

class CFramePeer {
public:
    struct Frame {
        bool valid = false;   // start, stop, hex digits and checksum all correct
        uint8_t number = 0;
        char type = 0;        // 'D', 'A', 'N', or whatever came
        std::string message;  // data frames: the bytes between type and checksum
        std::string raw;      // the frame as read, '$' to CR
    };

    explicit CFramePeer(CPtyPair& pty) : pty_(pty) {}
    ~CFramePeer();
    CFramePeer(const CFramePeer&) = delete;
    CFramePeer& operator=(const CFramePeer&) = delete;

    // Two upper-case hex digits.
    static std::string Hex(uint8_t value);
    // Exclusive OR of all bytes.
    static uint8_t Checksum(const std::string& bytes);
    // "$NND" message CC CR.
    static std::string DataFrame(uint8_t number, const std::string& message);
    // "$NN" type CC CR, type 'A' or 'N'.
    static std::string AckFrame(uint8_t number, char type = 'A');
    // Splits a raw frame into its fields and checks it.
    static Frame Parse(const std::string& raw);

    // Writes raw bytes to the tool.
    void Send(const std::string& bytes) { pty_.Write(bytes); }
    void SendData(uint8_t number, const std::string& message) { Send(DataFrame(number, message)); }
    void SendAck(uint8_t number, char type = 'A') { Send(AckFrame(number, type)); }

    // Reads the next frame: bytes before '$' are skipped (and kept for SkippedBytes), the frame
    // ends at CR. Empty raw text when none came within timeout_ms. Not while the responder runs.
    Frame ReadFrame(uint32_t timeout_ms);
    // Everything that arrives within timeout_ms (after what ReadFrame already buffered).
    std::string ReadRaw(uint32_t timeout_ms);
    // Bytes that ReadFrame skipped before a '$' so far.
    const std::string& SkippedBytes() const { return skipped_; }

    // What the responder writes back for a frame it read (empty: nothing).
    using Responder = std::function<std::string(const Frame& frame)>;
    // A responder that acknowledges every valid data frame and ignores everything else.
    static Responder AckEveryDataFrame();
    // Starts the responder thread. False if one runs already.
    bool StartResponder(Responder responder);
    // Stops and joins the responder thread.
    void StopResponder();
    // The frames the responder has read so far, oldest first. Any thread.
    std::vector<Frame> Received() const;
    // Waits up to timeout_ms until the responder has read at least count frames.
    bool WaitForReceived(size_t count, uint32_t timeout_ms) const;

private:
    bool FillBuffer(uint32_t timeout_ms);

    CPtyPair& pty_;
    std::string pending_;  // read from the pty, not yet consumed
    std::string skipped_;
    std::thread responder_;
    std::atomic<bool> stop_{false};
    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    std::vector<Frame> received_;
};
