// The message API of the link (functions ZelSp*): what the command handler calls to open and
// close a link on its serial port and to send and receive 8-bit text messages. Each call is
// traced at debug level with its own name.
//
// Threads: as the frame layer (link/FrameLayer.h): owner opens and closes; one receiving
// thread; any number of senders, served one whole send at a time.
#pragma once

#include <cstddef>

#include "link/FrameLayer.h"
#include "link/LinkResult.h"

// The longest message ZelSpSendMessage sends (the peer may send one byte more).
constexpr size_t kZelSpMaxSendLength = 279;
// The buffer ZelSpReceiveMessage needs: the longest received message and its terminator.
constexpr size_t kZelSpReceiveBufferSize = kZelFlMaxReceivedMessage + 1;

// Opens the link on the owner's open port: the result of ZelFlInitFrameLayer.
int ZelSpInit(ZelPortHandle port);

// Closes the link: the result of ZelFlCloseFrameLayer. The port stays open.
int ZelSpClose(ZelPortHandle port);

// Ends every wait on the link at once and refuses what follows until ZelSpClose, so that a close
// from the owner's thread never waits for a receive's 200 ms of silence or a send's
// acknowledgement time-outs (ZelFlAbort). Any thread; nothing when the link is not open.
void ZelSpAbort(ZelPortHandle port);

// Sends a 0-terminated message and waits until the board acknowledged it (up to about 2 s).
// 0 acknowledged; 5 longer than 279 characters ("Message too long", nothing sent) or link not
// open; 4 not acknowledged, or an empty (or null) message.
int ZelSpSendMessage(ZelPortHandle port, const char* message);

// Waits for the next message (up to 200 ms of silence) and copies it 0-terminated into buffer
// (at least kZelSpReceiveBufferSize bytes); its first character goes to *out_first (may be
// null). 0 a message; else the result of ZelFlReceiveApplicationData (4 means nothing yet).
int ZelSpReceiveMessage(ZelPortHandle port, char* buffer, char* out_first);
