#include "gui/config/ConfigFileDialog.h"

#include <QFileDialog>

namespace {

ConfigFileAnswerer& Answerer()
{
    static ConfigFileAnswerer answerer;
    return answerer;
}

const char kConfigFilter[] = "Configuration Files (*.cfg);;All Files (*)";
const char kDataFilter[] = "All Files (*)";

}  // namespace

void SetConfigFileAnswerer(ConfigFileAnswerer answerer)
{
    Answerer() = std::move(answerer);
}

QString AskConfigFileName(QWidget* parent, EConfigFileAsk kind, const QString& suggested)
{
    if (Answerer()) {
        return Answerer()(kind, suggested);
    }
    switch (kind) {
    case EConfigFileAsk::OpenConfig:
        return QFileDialog::getOpenFileName(parent, QStringLiteral("Open"), suggested, QString::fromLatin1(kConfigFilter));
    case EConfigFileAsk::SaveConfig: {
        // The dialog adds ".cfg" itself, so that it asks before replacing the file really written.
        QFileDialog dialog(parent, QStringLiteral("Save As"), QString(), QString::fromLatin1(kConfigFilter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("cfg"));
        dialog.selectFile(suggested);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return {};
        }
        return dialog.selectedFiles().first();
    }
    case EConfigFileAsk::OpenData:
        return QFileDialog::getOpenFileName(parent, QStringLiteral("Load Data"), suggested,
                                            QString::fromLatin1(kDataFilter));
    case EConfigFileAsk::SaveData:
        return QFileDialog::getSaveFileName(parent, QStringLiteral("Save Data"), suggested,
                                            QString::fromLatin1(kDataFilter));
    }
    return {};
}
