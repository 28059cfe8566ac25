#include "gui/logs/ZelApplicationLogModule.h"

#include <QDate>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

#include "gui/logs/LogWindowPlacement.h"
#include "gui/widgets/MyEdit.h"

CZelApplicationLogModule::CZelApplicationLogModule(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Application Events"));
    setModal(false);
    setMinimumSize(300, 300);
    edit_ = new CMyEdit(this);
    edit_->setObjectName(QStringLiteral("events"));
    notice_ = new QLabel(NoticeText(), this);
    notice_->setObjectName(QStringLiteral("notice"));
    notice_->setWordWrap(true);
    notice_->setStyleSheet(QStringLiteral("QLabel { background: #FFF6D5; border: 1px solid #E0C870; "
                                          "padding: 4px; }"));
    auto* clear = new QPushButton(QStringLiteral("C&lear"), this);
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addWidget(notice_, 0, 0, 1, 3);
    layout->addWidget(edit_, 1, 0, 1, 3);
    layout->setRowStretch(1, 1);
    layout->addWidget(clear, 2, 0);
    layout->setColumnStretch(1, 1);
    layout->addWidget(close, 2, 2);
    connect(clear, &QPushButton::clicked, this, &CZelApplicationLogModule::ClearLog);
    connect(close, &QPushButton::clicked, this, &QWidget::hide);
    resize(640, 360);
    placed_ = RestoreLogWindowPlacement(*this, AppSettings::StoredWindow::ApplicationLog);
}

const QString& CZelApplicationLogModule::NoticeText()
{
    static const QString text =
        QStringLiteral("Events are shown while the Calibration or Tests view is open.");
    return text;
}

void CZelApplicationLogModule::SetEventsHandled(bool handled)
{
    notice_->setVisible(!handled);
}

CZelApplicationLogModule::~CZelApplicationLogModule()
{
    StorePlacement();
}

void CZelApplicationLogModule::showEvent(QShowEvent* event)
{
    placed_ = true;
    QDialog::showEvent(event);
}

void CZelApplicationLogModule::StorePlacement()
{
    if (!placed_) {
        return;
    }
    StoreLogWindowPlacement(*this, AppSettings::StoredWindow::ApplicationLog);
}

QString CZelApplicationLogModule::ShortDate(const SystemTime& time)
{
    const QDate date(time.year, time.month, time.day);
    return QLocale().toString(date, QLocale::ShortFormat);
}

void CZelApplicationLogModule::AddLogEntry(
    const CZelApplicationLogging::ZelApplicationLogEntry& entry)
{
    const std::string line = ApplicationLogLine(ShortDate(entry.time_stamp).toStdString(), entry);
    AddLine(QString::fromStdString(line));
}

void CZelApplicationLogModule::AddLine(const QString& text)
{
    edit_->AppendLine(text);
    edit_->update();
}

void CZelApplicationLogModule::ClearLog()
{
    edit_->ClearText();
}

void CZelApplicationLogModule::ShowWindow()
{
    show();
    raise();
    activateWindow();
}
