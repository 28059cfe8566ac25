#include "gui/calibrate/DoseDoserateDialog.h"

#include <QLabel>
#include <QVBoxLayout>

#include "procedures/DoseDoserateProcedure.h"

using namespace ProcedureControl;

CDoseDoserateDialog::CDoseDoserateDialog(CSerialCommHandler& handler, bool prepare, QWidget* parent)
    : CProcedureDialog(handler, QString::fromUtf8(CDoseDoserateProcedure::Describe().title), parent)
{
    ExtrasLayout()->addWidget(AddLine(kFormats));
    ExtrasLayout()->addWidget(AddDoserateEntry());
    SetProcedure(std::make_unique<CDoseDoserateProcedure>(handler, *this, tagProcedureSettings{.prepare = prepare}));
}
