#include "gui/logs/SetLogLevelDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

CSetLogLevelDlg::CSetLogLevelDlg(CSerialCommHandler& handler, QWidget* parent)
    : QDialog(parent), selection_(handler)
{
    setWindowTitle(QStringLiteral("Change Log Level"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("levels"));
    for (const std::string& line : CLogLevelSelection::Lines()) {
        list_->addItem(QString::fromStdString(line));
    }
    list_->setCurrentRow(selection_.Open());
    auto* label = new QLabel(QStringLiteral("Select Log Level:"), this);
    label->setBuddy(list_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSetLogLevelDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &CSetLogLevelDlg::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    resize(260, 260);
}

void CSetLogLevelDlg::accept()
{
    selection_.Ok(list_->currentRow());
    QDialog::accept();
}
