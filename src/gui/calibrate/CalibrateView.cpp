#include "gui/calibrate/CalibrateView.h"

#include <QVBoxLayout>

#include "gui/calibrate/CalibrateDialog.h"
#include "gui/frame/ViewTable.h"

CCalibrateView::CCalibrateView(const tagViewContext& context, QWidget* parent)
    : CZovView(kViewCalibration, parent), page_(new CCalibrateDialog(context, this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page_);
}

CViewLink* CCalibrateView::Link()
{
    return page_->Link();
}
