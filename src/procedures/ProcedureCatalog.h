// Every guided procedure by key, for the front ends that open one by name (zovcli procedure
// list / run) or by hub button: its key, its title and how to make it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "procedures/Procedure.h"

struct tagProcedureEntry {
    const char* key;  // such as "ii-focus"
    const char* title;
    ProcedureKind kind;
    std::unique_ptr<CProcedure> (*create)(CSerialCommHandler& handler, IProcedureView& view,
                                          const tagProcedureSettings& settings);
};

// The procedures in the order of their hubs: the five calibrations, then the tests.
const std::vector<tagProcedureEntry>& ProcedureCatalog();
// The entry of key; null when there is none.
const tagProcedureEntry* FindProcedure(const std::string& key);
