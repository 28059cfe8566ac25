// The about box: the tool's name, its version as major.minor.build.revision and its edition.
#pragma once

#include <QDialog>
#include <QString>

// The version text, the revision in four digits ("1.3.4.0010").
QString AboutVersionText();
// The edition shown under the version.
inline constexpr char kEditionText[] = "OEM";

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
