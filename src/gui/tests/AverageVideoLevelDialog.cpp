#include "gui/tests/AverageVideoLevelDialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/tests/LevelPlot.h"
#include "platform/Clock.h"
#include "procedures/AverageVideoLevelProcedure.h"

using namespace AverageVideoLevelControl;

CAverageVideoLevelDialog::CAverageVideoLevelDialog(bool internal_timing, CSerialCommHandler& handler, bool prepare,
                                                   QWidget* parent)
    : CProcedureDialog(handler, QString::fromUtf8(CAverageVideoLevelProcedure::Describe().title), parent)
{
    auto* row = new QHBoxLayout();
    auto* left = new QVBoxLayout();
    auto* mode = new QGroupBox(QStringLiteral("Test Mode"), this);
    auto* mode_layout = new QVBoxLayout(mode);
    mode_layout->addWidget(AddRadioButton(kRelative, QStringLiteral("Relative to target (%)")));
    mode_layout->addWidget(AddRadioButton(kAbsolute, QStringLiteral("Absolute (bins)")));
    left->addWidget(mode);

    QLabel* label = AddLine(kLevelLabel);
    value_ = AddLine(kLevelValue);
    value_->setObjectName(QStringLiteral("levelValue"));
    QFont large = value_->font();
    large.setPointSize(large.pointSize() * 2);
    large.setBold(true);
    value_->setFont(large);
    value_->setMinimumWidth(QFontMetrics(large).horizontalAdvance(QStringLiteral("0000 bins")));
    left->addWidget(label);
    left->addWidget(value_);
    QLabel* note = AddLine(kLevelNote);
    left->addWidget(note);
    left->addStretch(1);
    row->addLayout(left);

    plot_ = new CLevelPlot(this);
    row->addWidget(plot_, 1);
    ExtrasLayout()->addLayout(row);

    auto procedure = std::make_unique<CAverageVideoLevelProcedure>(
        handler, *this, tagProcedureSettings{.prepare = prepare, .internal_timing = internal_timing});
    level_procedure_ = procedure.get();
    procedure->SetLevelFunction([this](uint32_t value, bool relative) {
        // Stamped where it was read, so the plot's time axis shows the polling as it happened.
        const uint64_t time_ms = MonotonicMs();
        QMetaObject::invokeMethod(
            this, [this, time_ms, value, relative] { Plot(time_ms, value, relative); }, Qt::QueuedConnection);
    });
    SetProcedure(std::move(procedure));
}

void CAverageVideoLevelDialog::Show(const std::string& control, bool shown)
{
    CProcedureDialog::Show(control, shown);
    if (control != kLevelValue || !shown) return;
    const bool relative = level_procedure_->Relative();
    QMetaObject::invokeMethod(this, [this, relative] { plot_->Restart(relative); }, Qt::QueuedConnection);
}

void CAverageVideoLevelDialog::Plot(uint64_t time_ms, uint32_t value, bool relative)
{
    plot_->AddValue(time_ms, relative ? value / 10.0 : static_cast<double>(value));
    emit LevelPlotted();
}
