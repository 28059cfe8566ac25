#include "config/ConfigPages.h"

namespace {

// The tab texts are the system's own, misspelling included.
const tagConfigPage kPages[kConfigPageCount] = {
    {"Configuation", 0, false},
    {"Defaults", 1, false},
    {"LUTs", 3, false},
    {"User I/F modules", 4, false},
    {"Fixed Configuation", 0, true},
    {"Fixed Defaults", 1, true},
    {"Fixed LUTs", 3, true},
    {"Fixed User I/F modules", 4, true},
};

}  // namespace

const tagConfigPage& ConfigPage(int page)
{
    return kPages[page >= 0 && page < kConfigPageCount ? page : 0];
}

int ConfigPageFor(int32_t item_class, bool fixed)
{
    for (int page = 0; page < kConfigPageCount; ++page) {
        if (kPages[page].ItemClass == item_class && kPages[page].Fixed == fixed) {
            return page;
        }
    }
    return -1;
}
