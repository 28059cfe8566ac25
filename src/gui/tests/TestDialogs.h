// The tests hub's four test dialogs by their procedure key, made with what the hub hands each:
// its timing, its handler and (all but the doserate link test) its Prepare flag.
#pragma once

#include <memory>
#include <string>

#include "procedures/Procedure.h"

class CProcedureDialog;
class CSerialCommHandler;
class QWidget;

// Null for a key that is no test.
std::unique_ptr<CProcedureDialog> CreateTestDialog(const std::string& key, CSerialCommHandler& handler,
                                                   const tagProcedureSettings& settings, QWidget* parent);
