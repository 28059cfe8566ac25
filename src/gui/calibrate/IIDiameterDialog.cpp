#include "gui/calibrate/IIDiameterDialog.h"

#include <QPushButton>
#include <QVBoxLayout>

#include <QHBoxLayout>
#include "procedures/IIDiameterProcedure.h"

using namespace ProcedureControl;

CIIDiameterDialog::CIIDiameterDialog(CSerialCommHandler& handler, bool prepare, QWidget* parent)
    : CProcedureDialog(handler, QString::fromUtf8(CIIDiameterProcedure::Describe().title), parent)
{
    ExtrasLayout()->addWidget(AddTimingGroup());
    auto* steps = new QHBoxLayout();
    for (const tagDiameterStep& step : kDiameterSteps) steps->addWidget(AddPressButton(step.control, step.caption));
    steps->addStretch(1);
    ExtrasLayout()->addLayout(steps);
    SetProcedure(std::make_unique<CIIDiameterProcedure>(handler, *this, tagProcedureSettings{.prepare = prepare}));
}
