#include "gui/preferences/PreferencesView.h"

#include <QScrollArea>
#include <QVBoxLayout>

#include "gui/preferences/PreferencesPage.h"
#include "gui/frame/ViewTable.h"

CPreferencesView::CPreferencesView(QWidget* parent) : CZovView(kViewPreferences, parent)
{
    page_ = new CPreferencesPage(this);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(page_);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
}
