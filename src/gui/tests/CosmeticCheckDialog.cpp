#include "gui/tests/CosmeticCheckDialog.h"

#include "procedures/CosmeticCheckProcedure.h"

CCosmeticCheckDialog::CCosmeticCheckDialog(bool internal_timing, CSerialCommHandler& handler, bool prepare, QWidget* parent)
    : CProcedureDialog(handler, QString::fromUtf8(CCosmeticCheckProcedure::Describe().title), parent)
{
    SetProcedure(std::make_unique<CCosmeticCheckProcedure>(
        handler, *this, tagProcedureSettings{.prepare = prepare, .internal_timing = internal_timing}));
}
