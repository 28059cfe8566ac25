#include "gui/download/SwDownloadDialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>

#include "gui/widgets/FixedPitchFont.h"

namespace {

constexpr int kMargin = 8;
constexpr int kGap = 8;
constexpr int kButtonWidth = 100;

// The output box lines up columns of addresses and values; a fixed-pitch font keeps them.
QFont OutputFont()
{
    return FixedPitchFont(9);
}

QString Shown(const std::string& text)
{
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (shown.endsWith(QLatin1Char('\n'))) {
        shown.chop(1);
    }
    return shown;
}

}  // namespace

CSwDownloadDialog::CSwDownloadDialog(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SwDownloadDialog"));
    label_ = new QLabel(QStringLiteral("Image &filename: "), this);
    name_ = new QLineEdit(QString::fromStdString(state_.FileName()), this);
    name_->setObjectName(QStringLiteral("fileName"));
    label_->setBuddy(name_);
    browse_ = new QPushButton(QStringLiteral("&Browse..."), this);
    browse_->setObjectName(QStringLiteral("browse"));
    download_ = new QPushButton(QString::fromLatin1(CSwDownloadPageState::kDownloadCaption), this);
    download_->setObjectName(QStringLiteral("download"));
    download_->setDefault(true);
    verify_ = new QCheckBox(QStringLiteral("Verify after programming"), this);
    verify_->setObjectName(QStringLiteral("verify"));
    verify_->setChecked(state_.Verify());
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setRange(0, kProgressRange);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    output_ = new QPlainTextEdit(this);
    output_->setObjectName(QStringLiteral("output"));
    output_->setReadOnly(true);
    output_->setFont(OutputFont());
    output_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    output_->setLineWrapMode(QPlainTextEdit::NoWrap);

    connect(name_, &QLineEdit::textChanged, this, [this](const QString& text) {
        state_.SetFileName(text.toStdString());
        UpdateControls();
    });
    // The button is the page's default: Enter in the name field presses it.
    connect(name_, &QLineEdit::returnPressed, this, [this] {
        if (download_->isEnabled()) {
            download_->click();
        }
    });
    connect(verify_, &QCheckBox::toggled, this, [this](bool on) { state_.SetVerify(on); });
    connect(browse_, &QPushButton::clicked, this, &CSwDownloadDialog::Browse);
    connect(download_, &QPushButton::clicked, this, &CSwDownloadDialog::OnButton);

    setMinimumSize(360, 200);
    UpdateControls();
    LayOut();
}

CSwDownloadDialog::~CSwDownloadDialog() = default;

QString CSwDownloadDialog::FileName() const
{
    return QString::fromStdString(state_.FileName());
}

QString CSwDownloadDialog::OutputText() const
{
    return QString::fromStdString(text_.Text());
}

void CSwDownloadDialog::AppendOutput(const QString& text)
{
    if (text_.Append(text.toStdString())) {
        output_->setPlainText(Shown(text_.Text()));
    } else {
        output_->appendPlainText(text);
    }
    output_->verticalScrollBar()->setValue(output_->verticalScrollBar()->maximum());
}

void CSwDownloadDialog::SetProgress(int per_mille)
{
    progress_->setValue(std::clamp(per_mille, 0, kProgressRange));
}

void CSwDownloadDialog::SetRunning(bool running)
{
    state_.SetRunning(running);
    UpdateControls();
    if (!running) {
        download_->setFocus();
    }
}

void CSwDownloadDialog::SetAborting()
{
    state_.SetAborting();
    UpdateControls();
}

void CSwDownloadDialog::UpdateControls()
{
    download_->setText(QString::fromLatin1(state_.ButtonCaption()));
    download_->setEnabled(state_.ButtonEnabled());
    browse_->setEnabled(state_.BrowseEnabled());
}

void CSwDownloadDialog::OnButton()
{
    if (state_.Running()) {
        emit AbortRequested();
    } else if (!state_.FileName().empty()) {
        emit DownloadRequested(FileName(), state_.Verify());
    }
}

QString CSwDownloadDialog::ChooseFile(const QString& current)
{
    if (chooser_) {
        return chooser_(current);
    }
    QFileDialog dialog(this, QString(), current);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("hex"));
    dialog.setNameFilters(QString::fromLatin1(kHexFilter).split(QStringLiteral(";;")));
    if (!current.isEmpty()) {
        dialog.selectFile(current);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

void CSwDownloadDialog::Browse()
{
    const QString chosen = ChooseFile(FileName());
    if (!chosen.isEmpty()) {
        name_->setText(chosen);  // textChanged takes it into the state and the button
    }
    UpdateControls();
}

void CSwDownloadDialog::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayOut();
}

// The top row follows the page's width (the name field stretches, Browse keeps to the right
// edge); the button row keeps its place; the bar and the box span the page and the box takes the
// rest of its height.
void CSwDownloadDialog::LayOut()
{
    const int width = this->width();
    const int height = this->height();
    const int row_height = std::max(name_->sizeHint().height(), browse_->sizeHint().height());
    const QSize label_size = label_->sizeHint();
    label_->setGeometry(kMargin, kMargin + 1, label_size.width(), row_height - 2);

    const int browse_width = std::max(kButtonWidth, browse_->sizeHint().width());
    browse_->setGeometry(width - kMargin - browse_width, kMargin, browse_width, row_height);
    const int name_left = kMargin + label_size.width() + 4;
    name_->setGeometry(name_left, kMargin, std::max(0, width - kMargin - browse_width - kGap - name_left), row_height);

    const int button_top = kMargin + row_height + 12;
    const int button_width = std::max(kButtonWidth, download_->sizeHint().width());
    download_->setGeometry(kMargin, button_top, button_width, row_height);
    const QSize verify_size = verify_->sizeHint();
    verify_->setGeometry(kMargin + button_width + 16, button_top + (row_height - verify_size.height()) / 2,
                         verify_size.width(), verify_size.height());

    const int progress_top = button_top + row_height + 12;
    progress_->setGeometry(kMargin, progress_top, std::max(0, width - 2 * kMargin), 18);
    const int output_top = progress_top + 18 + kGap;
    output_->setGeometry(kMargin, output_top, std::max(0, width - 2 * kMargin), std::max(0, height - kMargin - output_top));
}
