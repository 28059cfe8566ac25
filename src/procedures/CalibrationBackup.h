// Backup and restore of the subsystem's calibration data: every item of the calibration object
// (0x2007, items 1 to N) read out for a .cal file, and a file's items written back and taken over
// by the subsystem. The file itself is CalFile.h; the front ends choose it and report the result
// with the messages below.
//
// Both operations talk to the board for each item and block the calling thread meanwhile: the
// window runs them on a worker (ending a wait with CSerialCommHandler::StopRequests).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "procedures/CalFile.h"

class CSerialCommHandler;

inline constexpr char kCalibrationNotRetrieved[] = "Calibration data could not be retrieved.";
inline constexpr char kCalibrationSaved[] = "Calibration data saved.";
inline constexpr char kCalibrationRestored[] = "Calibration data restored.";
inline constexpr char kCalibrationRestoreFailed[] = "Failed to restore calibration.";

// The file dialogs' choices.
inline constexpr char kCalFileFilter[] = "Calibration Files (*.cal)|*.cal|All Files (*.*)|*.*||";
inline constexpr char kCalFileExtension[] = "cal";

// Called after each item with the number done and the total.
using CalibrationProgress = std::function<void(uint32_t done, uint32_t total)>;

// Waits until the subsystem is operational, asks for N and reads items 1 to N. False when any
// request failed (items then holds what was read); N above 255 counts as failed, since an
// 8-bit subindex cannot address such an item.
bool RetrieveCalibrationData(CSerialCommHandler& handler, std::vector<std::string>* items,
                             const CalibrationProgress& progress = nullptr);

// Writes items 1 to file.count, stopping at the first refused write, then makes the subsystem
// take the calibration over. False when anything failed: then the object may hold a partly
// written calibration that the subsystem has not taken over. An item that holds a control
// character or "$" (which would break the frame) and an index above 255 count as failed writes.
bool RestoreCalibrationData(CSerialCommHandler& handler, const tagCalFile& file,
                            const CalibrationProgress& progress = nullptr);
