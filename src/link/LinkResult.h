// The result codes shared by the port layer, the frame layer and the message API, and the texts
// by which the command handler reports them. Every link function returns one of these codes;
// 0 is success.
#pragma once

// Success.
constexpr int kZelOk = 0;
// An allocation failed while a link was being opened.
constexpr int kZelNoMemory = 1;
// The port failed (configuration, wait, read or write), or the port layer does not know it.
constexpr int kZelHardwareError = 2;
// A bad or refused frame, a missing acknowledgement number, or a link that is not open.
constexpr int kZelCommError = 3;
// Nothing arrived in time.
constexpr int kZelTimeout = 4;
// Unknown handle, no data, or a message that is too long.
constexpr int kZelBadArgument = 5;
// A data frame without message bytes arrived.
constexpr int kZelEmptyFrame = 6;

// The engineer-facing text of a result code: "OK", "ZELSP: Hardware error", ...;
// "ZELSP: Unknown error" for any code outside the table. Never null; static storage.
const char* ZelSpResultText(int result);
