// A small dialog that shows a byte buffer under a caption, sixteen bytes a line in hexadecimal
// and as characters; used wherever raw configuration data is shown.
#pragma once

#include <cstdint>
#include <vector>

#include <QDialog>

class QPlainTextEdit;

class CDataViewerDialog : public QDialog {
    Q_OBJECT
public:
    CDataViewerDialog(const QString& caption, std::vector<uint8_t> data, QWidget* parent = nullptr);

    // The text shown, as the engineer would copy it.
    QString ShownText() const;

private:
    QPlainTextEdit* text_;
};
