#include "shell/InstanceNumber.h"

#include <random>
#include <sys/random.h>

uint16_t DrawInstanceNumber()
{
    uint16_t number = 0;
    if (getrandom(&number, sizeof number, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof number)) {
        return number;
    }
    // Only before the kernel's pool is first filled (early at boot): the library's source.
    std::random_device device;
    return static_cast<uint16_t>(device() & 0xFFFF);
}
