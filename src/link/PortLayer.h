// The lowest layer of the link to the controller board (functions ZelPs*). Given a serial port
// that its owner has already opened, it configures the line (19200 baud, 7E1), runs one receive
// thread per port that moves every received byte into a ring buffer, cuts frames ('$' ... CR) out
// of that byte stream, writes frames, and carries the news "an acknowledgement for frame N came"
// from the thread that reads frames to the thread that waits for it.
//
// It knows nothing of frame contents beyond the start and stop characters. All state of one
// port lives in one instance, found through a process-wide map keyed by the port handle, so
// several ports can be served at once. Every function returns a code of link/LinkResult.h.
//
// Threads: init and close belong to the port's owner. Between them any number of threads may
// call the other functions; reads are serialised with reads and writes with writes (the line is
// full duplex, so a writer never waits for a reader's idle gap). The frame layer is the only
// caller in the product.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/LinkResult.h"

class CSerialPort;

// The link's handle for a port: the owner's open serial port. The owner opens it, keeps it alive
// while the link uses it and closes it after ZelPsCloseSerialCommunication.
using ZelPortHandle = CSerialPort*;

// Size of the ring buffer between the receive thread and the frame reader.
constexpr size_t kZelPsRingBufferSize = 4096;
// The longest silence before any byte that ZelPsReadFrame waits for.
constexpr uint32_t kZelPsByteGapMs = 200;

// Configures the port for the runtime link and starts its receive thread.
// 0; 2 when the handle is null or already initialised, or when a port setting fails (the port
// is then closed, with an error trace naming the setting that failed).
int ZelPsInitSerialCommunication(ZelPortHandle port);

// Stops and joins the receive thread and forgets the port. Returns at once: the receive thread
// waits on the port and the stop event together. A read or acknowledgement wait still running
// on another thread ends with 2 or 3; a write still running is finished before this returns.
// The port itself stays open. 0; 5 when the handle is not known.
int ZelPsCloseSerialCommunication(ZelPortHandle port);

// Ends every wait on the port at once and refuses what follows until the close: a frame read
// returns 2, an acknowledgement wait 3, a write 2 without writing anything; the receive thread
// ends. For an owner that is about to close the link and must not wait for a read's 200 ms of
// silence or a send's acknowledgement time-outs first. Any thread; nothing for an unknown handle.
void ZelPsAbort(ZelPortHandle port);

// Cuts one frame out of the byte stream into buffer: bytes before '$' are dropped, the frame
// ends with its carriage return (counted in out_length), and buffer is 0-terminated after it.
// Waits up to 200 ms before every single byte. Results:
//   0 one frame;
//   2 unknown handle, the link was closed, or the port failed underneath (reported after the
//     same 200 ms wait, so a caller that loops on this never spins);
//   3 size - 1 bytes without a carriage return ("Frame Length error");
//   4 a gap over 200 ms (with no traffic, this every 200 ms; a partial frame is discarded);
//   5 no buffer, no out_length, or size below 2.
// On failure out_length is 0. Readers on one port are served one whole frame at a time.
int ZelPsReadFrame(ZelPortHandle port, char* buffer, size_t size, size_t* out_length);

// Writes count bytes as one frame. Blocks until the bytes are handed to the driver (at most
// about a second on a stalled line). 0; 2 on an unknown handle, a failed write or an aborted
// link (ZelPsAbort; nothing is written then); 5 no bytes.
// Writers on one port are served one whole frame at a time.
int ZelPsWriteFrame(ZelPortHandle port, const char* bytes, size_t count);

// Reports an acknowledgement (ack_flag 1) or a refusal (0) of frame_number to the thread waiting
// in ZelPsWait4Ack. Called by the thread that reads frames. Does nothing for an unknown handle.
void ZelPsInformSender(ZelPortHandle port, uint8_t frame_number, int ack_flag);

// Waits up to timeout_ms for the report on expected_frame_number. Reports on other numbers are
// traced and the wait goes on for the rest of the time.
// 0 acknowledged; 3 refused, only other numbers until the time ran out, unknown handle, link
// closed during the wait; 4 no report at all in time.
int ZelPsWait4Ack(ZelPortHandle port, uint8_t expected_frame_number, uint32_t timeout_ms);
