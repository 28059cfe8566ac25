#include "gui/tests/VideoPathDialog.h"

#include "procedures/VideoPathProcedure.h"

CVideoPathDialog::CVideoPathDialog(bool internal_timing, CSerialCommHandler& handler, bool prepare, QWidget* parent)
    : CProcedureDialog(handler, QString::fromUtf8(CVideoPathProcedure::Describe().title), parent)
{
    SetProcedure(std::make_unique<CVideoPathProcedure>(
        handler, *this, tagProcedureSettings{.prepare = prepare, .internal_timing = internal_timing}));
}
