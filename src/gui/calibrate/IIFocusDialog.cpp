#include "gui/calibrate/IIFocusDialog.h"

#include <QLabel>
#include <QVBoxLayout>

#include "procedures/IIFocusProcedure.h"

using namespace ProcedureControl;

CIIFocusDialog::CIIFocusDialog(CSerialCommHandler& handler, bool prepare, QWidget* parent)
    : CProcedureDialog(handler, QString::fromUtf8(CIIFocusProcedure::Describe().title), parent)
{
    ExtrasLayout()->addWidget(AddLine(kFormats));
    ExtrasLayout()->addWidget(AddLine(kDoserateInfo));
    SetProcedure(std::make_unique<CIIFocusProcedure>(handler, *this, tagProcedureSettings{.prepare = prepare}));
}
