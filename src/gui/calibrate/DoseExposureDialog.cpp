#include "gui/calibrate/DoseExposureDialog.h"

#include <QVBoxLayout>

#include "procedures/DoseExposureProcedure.h"

using namespace ProcedureControl;

CDoseExposureDialog::CDoseExposureDialog(CSerialCommHandler& handler, bool prepare, QWidget* parent)
    : CProcedureDialog(handler, QString::fromUtf8(CDoseExposureProcedure::Describe().title), parent)
{
    ExtrasLayout()->addWidget(AddDoserateEntry());
    SetProcedure(std::make_unique<CDoseExposureProcedure>(handler, *this, tagProcedureSettings{.prepare = prepare}));
}
