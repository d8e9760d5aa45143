#pragma once

#include <QLabel>
#include <QString>

#include <optional>

namespace panel {

// Writes a text the core computed; nullopt leaves the label as it was.
inline void setTextIfGiven(QLabel *label, const std::optional<QString> &text)
{
    if (text)
        label->setText(*text);
}

// A flat text field of the meter display. It takes the background of its
// display panel, can be drawn with a raised border (the hover highlight of the
// fields that open a menu) and reports the pointer entering, leaving and
// clicking it.
class PanelField : public QLabel
{
    Q_OBJECT

public:
    explicit PanelField(QWidget *parent = nullptr);

    bool isRaised() const { return m_raised; }
    // The text stays where it is whether the border is drawn or not.
    void setRaised(bool raised);

signals:
    void clicked();
    void entered();
    void left();

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_raised = false;
    bool m_pressed = false;
};

} // namespace panel
