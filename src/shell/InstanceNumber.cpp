#include "shell/InstanceNumber.h"

#include <cstdlib>
#include <ctime>

uint16_t ScaleToInstanceNumber(uint64_t r, uint64_t rand_max)
{
    if (rand_max == 0 || r > rand_max) {
        return 0;
    }
    return static_cast<uint16_t>(r * 65535u / rand_max);
}

uint16_t DrawInstanceNumber()
{
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    return ScaleToInstanceNumber(static_cast<uint64_t>(std::rand()), RAND_MAX);
}
