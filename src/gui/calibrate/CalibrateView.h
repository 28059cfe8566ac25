// View 4: the Calibration view. It keeps the main window's completion flags and instance number
// for its page, the calibration hub, which it creates and owns.
#pragma once

#include "gui/frame/ViewContext.h"
#include "gui/frame/ZovView.h"

class CCalibrateDialog;

class CCalibrateView : public CZovView {
    Q_OBJECT
public:
    CCalibrateView(const tagViewContext& context, QWidget* parent);

    CViewLink* Link() override;
    CCalibrateDialog* Page() const { return page_; }

private:
    CCalibrateDialog* page_;
};
