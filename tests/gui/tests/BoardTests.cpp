#include "BoardTests.h"

#include "BoardSimulator.h"
#include "Subsystem.h"

std::set<uint32_t> RunningBoardTests(const CBoardSimulator& board)
{
    std::set<uint32_t> running;
    board.Inspect([&running](const CSubsystem& subsystem) { running = subsystem.RunningTests(); });
    return running;
}
