// A static text for status lines whose background and text colours the owner sets, for example
// red for a failed procedure step. Setting a colour repaints the control at once, so a status
// line changed just before a blocking command is visible while the command runs.
#pragma once

#include <QColor>
#include <QLabel>

class CColorStatic : public QLabel {
    Q_OBJECT
public:
    // Starts with the 3-D face colour of the palette as background and black text.
    explicit CColorStatic(QWidget* parent = nullptr);
    CColorStatic(const QString& text, QWidget* parent = nullptr);

    void SetBkColor(const QColor& color);
    void SetTextColor(const QColor& color);
    QColor BkColor() const { return background_; }
    QColor TextColor() const { return text_color_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void RedrawNow();

    QColor background_;
    QColor text_color_{Qt::black};
};
