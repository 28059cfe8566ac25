// The frame layer of the link (functions ZelFl*): wraps one application message into one data
// frame with a running frame number and a checksum, checks received frames, acknowledges data
// frames, refuses bad ones, drops repeated ones and sends unacknowledged ones again.
//
// Wire format (7-bit ASCII, readable in a terminal):
//   data frame  '$' NN 'D' message CC CR   (NN frame number, CC checksum, upper-case hex)
//   ack frame   '$' NN 'A'|'N' CC CR        ('A' accepted, 'N' refused)
// CC is the exclusive OR of every byte before it. Example: "$01A64\r" acknowledges frame 01.
//
// Threads: init and close belong to the link's owner. One thread at a time receives on a link;
// that thread also sends the acknowledgements and wakes the sender waiting for its own. Any
// number of threads may send: one send, including its wait for the acknowledgement, runs at a
// time per link, the others wait for it (frame numbers and acknowledgements are never mixed).
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/PortLayer.h"

// Size of the frame buffers: the longest frame the layer accepts is 287 bytes with its CR.
constexpr size_t kZelFlFrameBufferSize = 288;
// Frame bytes around the message: '$', two number digits, type, two checksum digits, CR.
constexpr size_t kZelFlFrameOverhead = 7;
// The longest message a received frame can carry.
constexpr size_t kZelFlMaxReceivedMessage = kZelFlFrameBufferSize - 1 - kZelFlFrameOverhead;
// How long a sender waits for the acknowledgement of one attempt, and how often it tries.
constexpr uint32_t kZelFlAckTimeoutMs = 500;
constexpr int kZelFlSendAttempts = 4;

// Opens the link on port (and the port layer under it). 0; 1 when memory runs out; 2 from the
// port layer (already open, port settings refused).
int ZelFlInitFrameLayer(ZelPortHandle port);

// Closes the link and the port layer under it. 0; 5 when the link is not open; else the port
// layer's result.
int ZelFlCloseFrameLayer(ZelPortHandle port);

// Ends every wait on the link at once (a receive, a send's acknowledgement wait) and refuses
// what follows until the close (ZelPsAbort). Any thread; nothing when the link is not open.
void ZelFlAbort(ZelPortHandle port);

// Sends count bytes as one data frame with the next frame number and waits for its
// acknowledgement, up to 4 attempts of 500 ms (a refused frame goes again with the same number).
// Needs another thread receiving on the link, because acknowledgements arrive as frames.
// 0 acknowledged; 4 not acknowledged, nothing to send, more than 281 bytes, or the frame could
// not be written; 5 link not open.
int ZelFlSendApplicationData(ZelPortHandle port, const char* bytes, size_t count);

// Reads frames until a data frame is accepted and copies its message (not terminated) to
// destination, which holds at least kZelFlMaxReceivedMessage bytes; out_count gets its length.
// Acknowledgements met on the way are handed to the waiting sender; bad frames are refused and
// repeated ones acknowledged and dropped, and reading goes on.
// 0 a message; 2 port failure or link closed; 4 nothing for 200 ms; 5 no destination or link
// not open; 6 a data frame without message bytes (acknowledged).
int ZelFlReceiveApplicationData(ZelPortHandle port, char* destination, size_t* out_count);
