// The byte queue between a port's receive thread (which writes every received byte) and the
// frame reader (which takes them one at a time). A fixed capacity: when it is full, further
// bytes are not stored. Its data event is an auto-reset event that stays signalled while data
// remains, so the reader waits only when the queue is really empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/Event.h"

class CRingBuffer {
public:
    explicit CRingBuffer(size_t capacity);
    CRingBuffer(const CRingBuffer&) = delete;
    CRingBuffer& operator=(const CRingBuffer&) = delete;

    // Stores bytes until all are stored or the buffer is full; returns how many were stored.
    // Sets the data event when anything was stored. Any thread.
    size_t Write(const uint8_t* bytes, size_t count);
    // Takes up to count bytes, oldest first; returns how many were taken. Sets the data event
    // again while bytes remain. Any thread.
    size_t Read(uint8_t* dest, size_t count);
    // The event to wait on for data (never consumed by Write or Read themselves).
    CEvent& GetDataEvent() { return data_event_; }

    size_t Capacity() const { return data_.size(); }
    // Bytes stored now. Any thread.
    size_t Size() const;

private:
    bool IsEmptyLocked() const { return read_index_ == write_index_ && !full_; }

    std::vector<uint8_t> data_;
    size_t read_index_ = 0;
    size_t write_index_ = 0;
    bool full_ = false;
    CEvent data_event_{CEvent::Kind::AutoReset};
    mutable std::mutex lock_;
};
