#pragma once

#include <QFont>

// The font of every pane that lines up columns (frames, dumps, addresses and values):
// "Courier New" where the system has it, else the system's fixed font. It asks for fixed
// pitch either way, so the font matcher prefers a monospace face on any system.
QFont FixedPitchFont(int point_size);
