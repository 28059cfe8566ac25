#include "gui/tests/DoseLinkDialog.h"

#include "procedures/DoseLinkProcedure.h"

CDoseLinkDialog::CDoseLinkDialog(bool internal_timing, CSerialCommHandler& handler, QWidget* parent)
    : CProcedureDialog(handler, QString::fromUtf8(CDoseLinkProcedure::Describe().title), parent)
{
    SetProcedure(std::make_unique<CDoseLinkProcedure>(
        handler, *this, tagProcedureSettings{.prepare = false, .internal_timing = internal_timing}));
}
