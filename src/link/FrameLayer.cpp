#include "link/FrameLayer.h"

#include <cstring>
#include <list>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "link/FrameCodec.h"
#include "logging/ZovLogging.h"

namespace {

struct FrameLayerStruct {
    ZelPortHandle port = nullptr;
    int32_t first_frame = 1;
    uint8_t transmit_frame_number = 0;
    uint8_t last_received_frame_number = 0;
    std::unique_ptr<char[]> transmit_buffer;
    std::unique_ptr<char[]> receive_buffer;
    // Held for one whole ZelFlSendApplicationData: the frame number, the transmit buffer and
    // the acknowledgement wait belong to one send at a time. The receiving thread never takes
    // it (it writes its acknowledgements from its own buffer), so a sender waiting for its
    // acknowledgement never blocks the thread that brings it.
    std::mutex send_lock;
    // Held for one whole ZelFlReceiveApplicationData: the receive buffer and the duplicate
    // detection belong to one receiver at a time.
    std::mutex receive_lock;
};

using FrameLayerPtr = std::shared_ptr<FrameLayerStruct>;

// Newest first. A sender or receiver holds its instance by a shared pointer, so a close on
// another thread never frees it under them.
std::mutex g_list_lock;
std::list<FrameLayerPtr> g_links;

FrameLayerPtr FindHandle(ZelPortHandle port)
{
    {
        std::lock_guard<std::mutex> guard(g_list_lock);
        for (const FrameLayerPtr& link : g_links) {
            if (link->port == port) {
                return link;
            }
        }
    }
    LogZelError("FindHandle", "Incorrect handle");
    return nullptr;
}

void RemoveHandle(const FrameLayerStruct* instance)
{
    std::lock_guard<std::mutex> guard(g_list_lock);
    g_links.remove_if([instance](const FrameLayerPtr& link) { return link.get() == instance; });
}

int SendDataFrame(FrameLayerStruct& instance, const char* bytes, size_t count)
{
    if (bytes == nullptr || count == 0) {
        LogZelError("SendDataFrame", "No application data available");
        return kZelBadArgument;
    }
    if (count + kZelFlFrameOverhead > kZelFlFrameBufferSize) {
        LogZelError("SendDataFrame", "Application data too long");
        return kZelBadArgument;
    }
    char* frame = instance.transmit_buffer.get();
    const size_t length = BuildDataFrame(frame, kZelFlFrameBufferSize,
                                         instance.transmit_frame_number, bytes, count);
    return ZelPsWriteFrame(instance.port, frame, length);
}

void SendAckFrame(const FrameLayerStruct& instance, uint8_t frame_number, char type)
{
    LogZelDebug("SendAckFrame", "");
    char frame[kZelFlFrameOverhead];
    BuildAckFrame(frame, frame_number, type);
    ZelPsWriteFrame(instance.port, frame, sizeof frame);
}

int Refuse(const FrameLayerStruct& instance, uint8_t frame_number, const char* reason)
{
    LogZelWarning("HandleFrame", reason);
    SendAckFrame(instance, frame_number, kFrameTypeNack);
    return kZelCommError;
}

// Examines the frame that ZelPsReadFrame left in the receive buffer.
int HandleFrame(FrameLayerStruct& instance, size_t length, char* out_type)
{
    LogZelDebug("HandleFrame", "");
    const char* frame = instance.receive_buffer.get();
    uint8_t number = 0xFF;
    const FrameCheck check = CheckFrame(frame, length, &number);
    if (check != FrameCheck::Ok) {
        return Refuse(instance, number, FrameCheckText(check));
    }
    const char type = frame[3];
    *out_type = type;
    switch (type) {
    case kFrameTypeAck:
        ZelPsInformSender(instance.port, number, 1);
        return kZelOk;
    case kFrameTypeNack:
        ZelPsInformSender(instance.port, number, 0);
        LogZelWarning("HandleFrame", "Nack received");
        return kZelOk;
    case kFrameTypeData:
        // Acknowledged even when it is a repeat: the repeat means our first acknowledgement
        // was lost, and the peer must stop sending it.
        SendAckFrame(instance, number, kFrameTypeAck);
        if (instance.first_frame == 0 && number == instance.last_received_frame_number) {
            LogZelWarning("HandleFrame", "Same frame received twice");
            return kZelCommError;
        }
        instance.first_frame = 0;
        instance.last_received_frame_number = number;
        return kZelOk;
    default:
        SendAckFrame(instance, number, kFrameTypeNack);
        LogZelWarning("HandleFrame", "Invalid FrameType");
        return kZelCommError;
    }
}

}  // namespace

int ZelFlInitFrameLayer(ZelPortHandle port)
{
    auto instance = std::shared_ptr<FrameLayerStruct>(new (std::nothrow) FrameLayerStruct);
    if (!instance) {
        return kZelNoMemory;
    }
    instance->port = port;
    instance->transmit_buffer.reset(new (std::nothrow) char[kZelFlFrameBufferSize]);
    instance->receive_buffer.reset(new (std::nothrow) char[kZelFlFrameBufferSize]);
    if (!instance->transmit_buffer || !instance->receive_buffer) {
        return kZelNoMemory;
    }
    {
        std::lock_guard<std::mutex> guard(g_list_lock);
        g_links.push_front(instance);
    }
    const int result = ZelPsInitSerialCommunication(port);
    if (result != kZelOk) {
        RemoveHandle(instance.get());
    }
    return result;
}

int ZelFlCloseFrameLayer(ZelPortHandle port)
{
    const FrameLayerPtr instance = FindHandle(port);
    if (!instance) {
        return kZelBadArgument;
    }
    const int result = ZelPsCloseSerialCommunication(port);
    if (result != kZelOk) {
        return result;
    }
    RemoveHandle(instance.get());
    return kZelOk;
}

void ZelFlAbort(ZelPortHandle port)
{
    ZelPsAbort(port);
}

int ZelFlSendApplicationData(ZelPortHandle port, const char* bytes, size_t count)
{
    LogZelDebug("ZelFlSendApplicationData", "");
    const FrameLayerPtr instance = FindHandle(port);
    if (!instance) {
        return kZelBadArgument;
    }
    std::lock_guard<std::mutex> guard(instance->send_lock);
    // 255 wraps to 0; a retransmission keeps its number.
    instance->transmit_frame_number = static_cast<uint8_t>(instance->transmit_frame_number + 1);
    for (int attempt = 0; attempt < kZelFlSendAttempts; ++attempt) {
        if (SendDataFrame(*instance, bytes, count) != kZelOk) {
            return kZelTimeout;
        }
        if (ZelPsWait4Ack(port, instance->transmit_frame_number, kZelFlAckTimeoutMs) == kZelOk) {
            return kZelOk;
        }
    }
    return kZelTimeout;
}

int ZelFlReceiveApplicationData(ZelPortHandle port, char* destination, size_t* out_count)
{
    LogZelDebug("ZelFlReceiveApplicationData", "");
    if (destination == nullptr || out_count == nullptr) {
        return kZelBadArgument;
    }
    *out_count = 0;
    const FrameLayerPtr instance = FindHandle(port);
    if (!instance) {
        return kZelBadArgument;
    }
    std::lock_guard<std::mutex> guard(instance->receive_lock);
    char* frame = instance->receive_buffer.get();
    size_t length = 0;
    for (;;) {
        const int read = ZelPsReadFrame(port, frame, kZelFlFrameBufferSize, &length);
        if (read == kZelCommError) {
            continue;  // overlong frame, dropped without an answer
        }
        if (read != kZelOk) {
            return read;
        }
        char type = 0;
        if (HandleFrame(*instance, length, &type) == kZelOk && type == kFrameTypeData) {
            break;
        }
        // A refused or repeated frame, or an acknowledgement already passed to the sender.
    }
    if (length == kZelFlFrameOverhead) {
        return kZelEmptyFrame;
    }
    const size_t count = length - kZelFlFrameOverhead;
    std::memcpy(destination, frame + 4, count);
    *out_count = count;
    return kZelOk;
}
