#include "link/RingBuffer.h"

CRingBuffer::CRingBuffer(size_t capacity) : data_(capacity > 0 ? capacity : 1) {}

size_t CRingBuffer::Write(const uint8_t* bytes, size_t count)
{
    std::lock_guard<std::mutex> guard(lock_);
    size_t stored = 0;
    while (stored < count && !full_) {
        data_[write_index_] = bytes[stored++];
        write_index_ = (write_index_ + 1) % data_.size();
        full_ = write_index_ == read_index_;
    }
    if (stored > 0 && !IsEmptyLocked()) {
        data_event_.Set();
    }
    return stored;
}

size_t CRingBuffer::Read(uint8_t* dest, size_t count)
{
    std::lock_guard<std::mutex> guard(lock_);
    size_t taken = 0;
    while (taken < count && !IsEmptyLocked()) {
        dest[taken++] = data_[read_index_];
        read_index_ = (read_index_ + 1) % data_.size();
        full_ = false;
    }
    // The event was consumed by the reader's wait; re-arm it while bytes remain so that the
    // next wait returns at once.
    if (!IsEmptyLocked()) {
        data_event_.Set();
    }
    return taken;
}

size_t CRingBuffer::Size() const
{
    std::lock_guard<std::mutex> guard(lock_);
    if (full_) {
        return data_.size();
    }
    return (write_index_ + data_.size() - read_index_) % data_.size();
}
