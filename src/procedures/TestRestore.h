// What the restore sequence of the tests unsets in the Field Service buffer: the sensor timing
// they write and both Involved flags. The video path test also unsets its presets.
#pragma once

#include <vector>

#include "procedures/Procedure.h"

// The sensor timing first, then the Involved flags (average video level, doserate link, cosmetic
// check).
const std::vector<tagUnsetParameter>& TimingFirstTestUnsets();
// The Involved flags first, then the sensor timing (video path).
const std::vector<tagUnsetParameter>& InvolvedFirstTestUnsets();
