#include "gui/widgets/DataViewerDialog.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "gui/widgets/DataViewerText.h"
#include "gui/widgets/FixedPitchFont.h"

CDataViewerDialog::CDataViewerDialog(const QString& caption, std::vector<uint8_t> data,
                                     QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(caption);
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    const QFont font = FixedPitchFont(9);
    text_->setFont(font);
    // The dump is 8-bit text; each byte is its own character.
    const std::string dump = FormatDataViewerText(data.data(), data.size());
    QString shown = QString::fromLatin1(dump.data(), static_cast<qsizetype>(dump.size()));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text_->setPlainText(shown);
    const int width = QFontMetrics(font).horizontalAdvance(QString(76, QLatin1Char('0')));
    text_->setMinimumWidth(width + 40);
    text_->setMinimumHeight(240);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(buttons);
}

QString CDataViewerDialog::ShownText() const
{
    return text_->toPlainText();
}
