// Looks into the simulated board. Apart from the other test sources, whose procedure headers
// share some names with the simulator's.
#include "BoardSimulator.h"
#include "Subsystem.h"

std::vector<std::string> BoardCalibration(const CBoardSimulator& board)
{
    std::vector<std::string> records;
    board.Inspect([&](const CSubsystem& subsystem) { records = subsystem.CalibrationRecords(); });
    return records;
}
