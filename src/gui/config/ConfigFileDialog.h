// The file dialogs of the configuration page and its grid: .cfg files to load, merge and save,
// and raw files for binary data. Tests answer them through an answerer instead of the engineer.
#pragma once

#include <functional>

#include <QString>

class QWidget;

enum class EConfigFileAsk {
    OpenConfig,  // an existing .cfg file (load, merge)
    SaveConfig,  // a .cfg file to write, asking before one is replaced
    OpenData,    // an existing file whose bytes become binary data
    SaveData,    // a file to write binary data into
};

// The chosen path, or empty when the engineer cancelled. suggested: the name offered first.
QString AskConfigFileName(QWidget* parent, EConfigFileAsk kind, const QString& suggested = {});

// Answers every dialog from now on (empty: the real dialogs again). GUI thread.
using ConfigFileAnswerer = std::function<QString(EConfigFileAsk kind, const QString& suggested)>;
void SetConfigFileAnswerer(ConfigFileAnswerer answerer);
