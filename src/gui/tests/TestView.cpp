#include "gui/tests/TestView.h"

#include <QVBoxLayout>

#include "gui/frame/ViewTable.h"
#include "gui/tests/TestDialog.h"

CTestView::CTestView(const tagViewContext& context, QWidget* parent) : CZovView(kViewTests, parent)
{
    hub_ = new CTestDialog(context, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(hub_);
}

CTestView::~CTestView()
{
    delete hub_;
    hub_ = nullptr;
}

CViewLink* CTestView::Link()
{
    return hub_ != nullptr ? &hub_->Link() : nullptr;
}
