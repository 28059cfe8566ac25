// A scripted controller board for the handler tests: it plays the board's side of the link on a
// pseudo-terminal's master end, written from the wire format alone. It acknowledges every data
// frame, records the messages, and answers each one with what the test's responder returns.
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

class CScriptedBoard {
public:
    // Gets a received message with its message ID taken out ("r 0x2013 0x01" for
    // "r 0x0100 0x2013 0x01") and the whole message; returns the messages to send back.
    using Responder = std::function<std::vector<std::string>(const std::string& request, const std::string& whole)>;

    explicit CScriptedBoard(CPtyPair& pty);
    ~CScriptedBoard();
    CScriptedBoard(const CScriptedBoard&) = delete;
    CScriptedBoard& operator=(const CScriptedBoard&) = delete;

    // Replaces the responder. The default answers every request with result code 0x00 and no
    // values, and everything else with nothing.
    void SetResponder(Responder responder);
    // When false, data frames are neither acknowledged nor answered (a board that went silent).
    void SetAcknowledging(bool on) { acknowledging_ = on; }
    // Acknowledges each data frame only after delay_ms (a slow board); the message counts as
    // received before its acknowledgement goes out. 0: at once.
    void SetAckDelayMs(uint32_t delay_ms) { ack_delay_ms_ = delay_ms; }
    // Every data frame received, repeats included.
    size_t DataFramesReceived() const { return data_frames_; }

    // Sends a message as a data frame with the board's next frame number. Any thread.
    void Send(const std::string& message);

    // Closes the pty's master side under the board's own lock, so that the board thread never
    // reads a closed descriptor: the handler's port sees a hang-up.
    void HangUp();

    // The messages received so far, in order.
    std::vector<std::string> Messages() const;
    // Waits until at least count messages were received.
    bool WaitForMessages(size_t count, uint32_t timeout_ms) const;
    void ClearMessages();

    // The message ID token of a request ("0x0100" in "r 0x0100 0x2013 0x01"), "" when none.
    static std::string IdOf(const std::string& message);
    // The reply to request: "c", its ID, then rest ("0x00 values").
    static std::string Reply(const std::string& request, const std::string& rest);
    // The message without its ID token.
    static std::string WithoutId(const std::string& message);

private:
    void Run();
    void HandleFrame(const std::string& frame);
    void Record(const std::string& message);
    void WriteRaw(const std::string& bytes);

    CPtyPair& pty_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> acknowledging_{true};
    std::atomic<uint32_t> ack_delay_ms_{0};
    std::atomic<size_t> data_frames_{0};
    // Guards every use of the pty: reads, writes and the hang-up.
    std::mutex pty_lock_;
    bool hung_up_ = false;
    uint8_t frame_number_ = 0;
    std::string last_number_;  // of the last data frame received (board thread only)

    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    std::vector<std::string> messages_;
    Responder responder_;

    std::thread thread_;
};
