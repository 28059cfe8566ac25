#include "ScriptedBoard.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <poll.h>
#include <unistd.h>

namespace {

std::string Hex2(unsigned value)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

std::string WithChecksum(const std::string& head)
{
    unsigned sum = 0;
    for (unsigned char c : head) sum ^= c;
    return head + Hex2(sum) + "\r";
}

}  // namespace

CScriptedBoard::CScriptedBoard(CPtyPair& pty) : pty_(pty)
{
    responder_ = [](const std::string& request, const std::string& whole) -> std::vector<std::string> {
        if (request.empty() || (request[0] != 'r' && request[0] != 'w')) return {};
        return {Reply(whole, "0x00")};
    };
    thread_ = std::thread([this] { Run(); });
}

CScriptedBoard::~CScriptedBoard()
{
    stop_ = true;
    thread_.join();
}

void CScriptedBoard::SetResponder(Responder responder)
{
    std::lock_guard<std::mutex> lock(lock_);
    responder_ = std::move(responder);
}

void CScriptedBoard::WriteRaw(const std::string& bytes)
{
    std::lock_guard<std::mutex> lock(pty_lock_);
    if (!hung_up_) pty_.Write(bytes);
}

void CScriptedBoard::Send(const std::string& message)
{
    std::lock_guard<std::mutex> lock(pty_lock_);
    frame_number_ = static_cast<uint8_t>(frame_number_ + 1);
    if (!hung_up_) pty_.Write(WithChecksum("$" + Hex2(frame_number_) + "D" + message));
}

void CScriptedBoard::HangUp()
{
    std::lock_guard<std::mutex> lock(pty_lock_);
    hung_up_ = true;
    pty_.HangUp();
}

std::vector<std::string> CScriptedBoard::Messages() const
{
    std::lock_guard<std::mutex> lock(lock_);
    return messages_;
}

bool CScriptedBoard::WaitForMessages(size_t count, uint32_t timeout_ms) const
{
    std::unique_lock<std::mutex> lock(lock_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                             [&] { return messages_.size() >= count; });
}

void CScriptedBoard::ClearMessages()
{
    std::lock_guard<std::mutex> lock(lock_);
    messages_.clear();
}

std::string CScriptedBoard::IdOf(const std::string& message)
{
    const size_t start = message.find(' ');
    if (start == std::string::npos) return {};
    const size_t end = message.find(' ', start + 1);
    return message.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
}

std::string CScriptedBoard::Reply(const std::string& request, const std::string& rest)
{
    return "c " + IdOf(request) + (rest.empty() ? "" : " " + rest);
}

std::string CScriptedBoard::WithoutId(const std::string& message)
{
    if (message.empty() || (message[0] != 'r' && message[0] != 'w')) return message;
    const std::string id = IdOf(message);
    if (id.empty()) return message;
    const size_t start = message.find(' ');
    return message.substr(0, start) + message.substr(start + 1 + id.size());
}

void CScriptedBoard::Run()
{
    std::string pending;
    while (!stop_) {
        char buffer[512];
        ssize_t n = 0;
        bool ready = false;
        {
            // Only a look under the lock: a reader that waited while holding it would starve
            // Send (the mutex is not fair), and a reply the test sends would never go out.
            std::lock_guard<std::mutex> lock(pty_lock_);
            if (!hung_up_) {
                pollfd fd{pty_.MasterFd(), POLLIN, 0};
                ready = poll(&fd, 1, 0) > 0;
                if (ready) n = read(fd.fd, buffer, sizeof buffer);
            }
        }
        if (!ready) {
            usleep(1000);
            continue;
        }
        if (n <= 0) {
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                // The slave side is gone for now (no open handle); wait and look again.
                usleep(10000);
            }
            continue;
        }
        pending.append(buffer, static_cast<size_t>(n));
        for (size_t end; (end = pending.find('\r')) != std::string::npos;) {
            const size_t start = pending.find('$');
            if (start != std::string::npos && start < end) HandleFrame(pending.substr(start, end - start + 1));
            pending.erase(0, end + 1);
        }
    }
}

void CScriptedBoard::Record(const std::string& message)
{
    {
        std::lock_guard<std::mutex> lock(lock_);
        messages_.push_back(message);
    }
    changed_.notify_all();
}

void CScriptedBoard::HandleFrame(const std::string& frame)
{
    if (frame.size() < 7 || frame[3] != 'D' || !acknowledging_) return;
    ++data_frames_;
    // A frame sent again because its acknowledgement came late is the same message.
    const bool repeat = frame.substr(1, 2) == last_number_;
    last_number_ = frame.substr(1, 2);
    const std::string message = frame.substr(4, frame.size() - 7);
    const uint32_t delay_ms = ack_delay_ms_;
    if (delay_ms > 0) {
        if (!repeat) Record(message);
        std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
    }
    WriteRaw(WithChecksum("$" + frame.substr(1, 2) + "A"));
    if (repeat) return;
    if (delay_ms == 0) Record(message);
    Responder responder;
    {
        std::lock_guard<std::mutex> lock(lock_);
        responder = responder_;
    }
    for (const std::string& reply : responder(WithoutId(message), message)) Send(reply);
}
