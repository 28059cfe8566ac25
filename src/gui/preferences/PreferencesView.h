// View 6: hosts the Preferences page.
#pragma once

#include "gui/frame/ZovView.h"

class CPreferencesPage;

class CPreferencesView : public CZovView {
    Q_OBJECT
public:
    explicit CPreferencesView(QWidget* parent);
    CPreferencesPage* Page() const { return page_; }

private:
    CPreferencesPage* page_;
};
