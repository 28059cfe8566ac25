#include "gui/frame/AboutDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int kMajor = 1;
constexpr int kMinor = 3;
constexpr int kBuild = 4;
constexpr int kRevision = 10;

}  // namespace

QString AboutVersionText()
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(kMajor)
        .arg(kMinor)
        .arg(kBuild)
        .arg(kRevision, 4, 10, QLatin1Char('0'));
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About ZOV tool"));
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(QStringLiteral("<b>ZOV tool</b>"), this);
    auto* version = new QLabel(QStringLiteral("Version %1").arg(AboutVersionText()), this);
    version->setObjectName(QStringLiteral("version"));
    auto* edition = new QLabel(QString::fromLatin1(kEditionText), this);
    edition->setObjectName(QStringLiteral("edition"));
    auto* purpose =
        new QLabel(QStringLiteral("Field-service tool for the Nemra X-ray imaging subsystem"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addWidget(edition);
    layout->addWidget(purpose);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
