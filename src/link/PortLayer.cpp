#include "link/PortLayer.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "link/FrameCodec.h"
#include "link/RingBuffer.h"
#include "logging/ZovLogging.h"
#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/Format.h"
#include "platform/SerialPort.h"
#include "platform/Thread.h"

namespace {

// How long a write may take to reach the driver. A 287-byte frame needs 150 ms at 19200 baud;
// beyond a second the line is stalled.
constexpr uint32_t kWriteTimeoutMs = 1000;
// The pause between two attempts of the receive thread on a failed port: the port is looked at
// again now and then (an adapter may come back), without spinning on a permanent error.
constexpr uint32_t kRetryPauseMs = 250;
// Bytes the receive thread takes off the driver per read.
constexpr size_t kDrainChunk = 100;

struct InstanceStruct {
    explicit InstanceStruct(ZelPortHandle handle) : port(handle) {}
    // A link still open at process exit: stop its thread before the members go away.
    ~InstanceStruct()
    {
        stop_event.Set();
        receive_thread.Join();
    }

    ZelPortHandle port;
    CThread receive_thread;
    // The last report of ZelPsInformSender; written before the ack event is set, read after it.
    std::mutex ack_lock;
    uint8_t ack_frame_number = 0;
    int ack_flag = 1;
    CEvent stop_event{CEvent::Kind::ManualReset};
    CEvent thread_ended_event{CEvent::Kind::AutoReset};
    CRingBuffer ring_buffer{kZelPsRingBufferSize};
    CEvent ack_event{CEvent::Kind::AutoReset};
    // One whole ZelPsReadFrame, and one whole ZelPsWriteFrame. Two locks, not one: the line is
    // full duplex, and a writer held up by a reader's idle wait would delay every send by up to
    // 200 ms.
    std::mutex read_lock;
    std::mutex write_lock;
    // Set by the receive thread while the port fails underneath, so that a reader reports a
    // hardware error instead of mere silence.
    std::atomic<bool> port_failed{false};
};

using InstancePtr = std::shared_ptr<InstanceStruct>;

// Readers and waiters hold their instance by a shared pointer, so a close on another thread
// never frees it under them; they notice the close through the stop event.
std::mutex g_map_lock;
std::unordered_map<ZelPortHandle, InstancePtr> g_instances;

InstancePtr FindInstance(ZelPortHandle port)
{
    std::lock_guard<std::mutex> guard(g_map_lock);
    const auto it = g_instances.find(port);
    return it != g_instances.end() ? it->second : nullptr;
}

// Returns false when the port failed.
bool DrainPort(InstanceStruct& instance)
{
    uint8_t chunk[kDrainChunk];
    long got = 0;
    do {
        got = instance.port->ReadAvailable(chunk, sizeof chunk);
        if (got < 0) {
            return false;
        }
        const size_t count = static_cast<size_t>(got);
        if (count > 0 && instance.ring_buffer.Write(chunk, count) < count) {
            LogZelError("RS232 ReceiveThread", "Buffer Full");
        }
    } while (got > 0 && !instance.stop_event.IsSet());
    return true;
}

void ReceiveThread(InstanceStruct& instance)
{
    // A failing port is traced once per failure, not once per retry.
    bool failing = false;
    for (;;) {
        const SerialWait wait = instance.port->WaitReadable(kInfinite, &instance.stop_event);
        if (wait == SerialWait::Stopped) {
            break;
        }
        std::string failure;
        if (wait == SerialWait::Readable) {
            if (DrainPort(instance)) {
                if (failing) {
                    failing = false;
                    instance.port_failed.store(false);
                }
                continue;
            }
            failure = Format("Overlapped action failed (%s)", instance.port->LastErrorText().c_str());
        } else if (wait == SerialWait::Failed) {
            failure = Format("WaitCommEvent ERROR: %d (%s)", instance.port->LastError(),
                             instance.port->LastErrorText().c_str());
        } else {
            continue;
        }
        if (!failing) {
            LogZelError("RS232 ReceiveThread", failure.c_str());
            failing = true;
            instance.port_failed.store(true);
        }
        if (instance.stop_event.Wait(kRetryPauseMs)) {
            break;
        }
    }
    instance.thread_ended_event.Set();
}

}  // namespace

int ZelPsInitSerialCommunication(ZelPortHandle port)
{
    if (port == nullptr) {
        return kZelHardwareError;
    }
    std::lock_guard<std::mutex> guard(g_map_lock);
    if (g_instances.count(port) != 0) {
        return kZelHardwareError;
    }
    auto instance = std::make_shared<InstanceStruct>(port);
    // The termios settings stand for the whole device control block of the line; the read
    // time-outs and queue sizes have no separate step here: the port never blocks, and the
    // driver's queues are fixed.
    if (!port->Configure(SerialLineSettings::RuntimeLink())) {
        LogZelError("ZelPsInitSerialCommunication", "SetCommState error");
        port->Close();
        return kZelHardwareError;
    }
    InstanceStruct* raw = instance.get();
    if (!instance->receive_thread.Start([raw] { ReceiveThread(*raw); })) {
        LogZelError("ZelPsInitSerialCommunication", "CreateThread error");
        port->Close();
        return kZelHardwareError;
    }
    g_instances.emplace(port, std::move(instance));
    return kZelOk;
}

int ZelPsCloseSerialCommunication(ZelPortHandle port)
{
    InstancePtr instance;
    {
        std::lock_guard<std::mutex> guard(g_map_lock);
        const auto it = g_instances.find(port);
        if (it == g_instances.end()) {
            return kZelBadArgument;
        }
        instance = std::move(it->second);
        g_instances.erase(it);
    }
    instance->stop_event.Set();
    instance->thread_ended_event.Wait(kInfinite);
    instance->receive_thread.Join();
    // The owner closes the port after this returns; a write still using it finishes first.
    std::lock_guard<std::mutex> write_guard(instance->write_lock);
    return kZelOk;
}

void ZelPsAbort(ZelPortHandle port)
{
    if (const InstancePtr instance = FindInstance(port)) {
        instance->stop_event.Set();
    }
}

int ZelPsReadFrame(ZelPortHandle port, char* buffer, size_t size, size_t* out_length)
{
    if (out_length != nullptr) {
        *out_length = 0;
    }
    if (buffer == nullptr || size < 2 || out_length == nullptr) {
        return kZelBadArgument;
    }
    buffer[0] = 0;
    const InstancePtr instance = FindInstance(port);
    if (!instance) {
        return kZelHardwareError;
    }
    std::lock_guard<std::mutex> guard(instance->read_lock);
    CEvent* waits[2] = {&instance->ring_buffer.GetDataEvent(), &instance->stop_event};
    CFrameCutter cutter(buffer, size);
    int result = kZelOk;
    for (;;) {
        const int wait = WaitForAnyEvent(waits, 2, kZelPsByteGapMs);
        if (wait == kWaitTimeout) {
            result = instance->port_failed.load() ? kZelHardwareError : kZelTimeout;
            break;
        }
        uint8_t byte = 0;
        if (wait != 0 || instance->ring_buffer.Read(&byte, 1) != 1) {
            result = kZelHardwareError;  // closed under the reader, or the wait failed
            break;
        }
        const CFrameCutter::Step step = cutter.Put(byte);
        if (step == CFrameCutter::Step::Frame) {
            break;
        }
        if (step == CFrameCutter::Step::TooLong) {
            LogZelWarning("ZelPsReadFrame", "Frame Length error");
            result = kZelCommError;
            break;
        }
    }
    if (result != kZelOk) {
        return result;
    }
    *out_length = cutter.Length();
    LogZelFrame("ZelPsReadFrame: ", buffer);
    return kZelOk;
}

int ZelPsWriteFrame(ZelPortHandle port, const char* bytes, size_t count)
{
    if (bytes == nullptr && count > 0) {
        return kZelBadArgument;
    }
    const InstancePtr instance = FindInstance(port);
    if (!instance) {
        return kZelHardwareError;
    }
    std::lock_guard<std::mutex> guard(instance->write_lock);
    if (instance->stop_event.IsSet()) {
        return kZelHardwareError;  // aborted: the owner is closing the link
    }
    const long written =
        port->Write(reinterpret_cast<const uint8_t*>(bytes), count, kWriteTimeoutMs);
    if (written < 0) {
        LogZelError("ZelPsWriteFrame", "Write error");
        return kZelHardwareError;
    }
    if (static_cast<size_t>(written) < count) {
        LogZelError("ZelPsWriteFrame", "Write overlapped failed");
        return kZelHardwareError;
    }
    LogZelFrame("ZelPsWriteFrame: ", std::string(bytes, count).c_str());
    return kZelOk;
}

void ZelPsInformSender(ZelPortHandle port, uint8_t frame_number, int ack_flag)
{
    LogZelDebug("ZelPsInformSender: ", Format("Frame: %d, Ack: %d\n", frame_number, ack_flag).c_str());
    const InstancePtr instance = FindInstance(port);
    if (!instance) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(instance->ack_lock);
        instance->ack_flag = ack_flag;
        instance->ack_frame_number = frame_number;
    }
    instance->ack_event.Set();
}

int ZelPsWait4Ack(ZelPortHandle port, uint8_t expected_frame_number, uint32_t timeout_ms)
{
    LogZelDebug("ZelPsWait4Ack started", "");
    const InstancePtr instance = FindInstance(port);
    if (!instance) {
        return kZelCommError;
    }
    CEvent* waits[2] = {&instance->ack_event, &instance->stop_event};
    uint32_t remaining = timeout_ms;
    int ack_flag = 0;
    for (;;) {
        const uint32_t started = TickMs();
        const int wait = WaitForAnyEvent(waits, 2, remaining);
        if (wait == kWaitTimeout) {
            return kZelTimeout;
        }
        if (wait != 0) {
            return kZelCommError;  // closed under the waiter, or the wait failed
        }
        uint8_t number = 0;
        {
            std::lock_guard<std::mutex> guard(instance->ack_lock);
            number = instance->ack_frame_number;
            ack_flag = instance->ack_flag;
        }
        if (number == expected_frame_number) {
            break;
        }
        LogZelWarning("ZelPsWait4Ack", "frame with incorrect framenumber received");
        if (remaining == kInfinite) {
            continue;
        }
        const uint32_t elapsed = TickMs() - started;
        if (elapsed >= remaining) {
            return kZelCommError;
        }
        remaining -= elapsed;
    }
    if (ack_flag == 0) {
        LogZelWarning("ZelPsWait4Ack", "Nack received");
        return kZelCommError;
    }
    LogZelDebug("ZelPsWait4Ack", "Ack received");
    return kZelOk;
}
