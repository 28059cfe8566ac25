// View 5: the Tests view. It hosts the tests hub, which owns the view's link to the board; both
// go when the view goes.
#pragma once

#include "gui/frame/ViewContext.h"
#include "gui/frame/ZovView.h"

class CTestDialog;

class CTestView : public CZovView {
    Q_OBJECT
public:
    CTestView(const tagViewContext& context, QWidget* parent);
    ~CTestView() override;

    CViewLink* Link() override;
    CTestDialog* Hub() const { return hub_; }

private:
    CTestDialog* hub_ = nullptr;
};
