#include "gui/calibrate/CameraHeadDialog.h"

#include <QVBoxLayout>

#include "procedures/CameraHeadProcedure.h"

using namespace ProcedureControl;

CCameraHeadDialog::CCameraHeadDialog(CSerialCommHandler& handler, bool prepare, QWidget* parent)
    : CProcedureDialog(handler, QString::fromUtf8(CCameraHeadProcedure::Describe().title), parent)
{
    ExtrasLayout()->addWidget(AddTimingGroup());
    SetProcedure(std::make_unique<CCameraHeadProcedure>(handler, *this, tagProcedureSettings{.prepare = prepare}));
}
