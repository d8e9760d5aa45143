#pragma once

#include <QElapsedTimer>
#include <QObject>

class QTimer;
class QWidget;

// Paints a window at most once per interval while nobody touches it. At the
// link's fastest the meter sends 74 readings a second and each changes the
// display and the log; nobody reads numbers changing that fast, and painting
// each would cost several times what decoding, judging and logging them does.
// Every change still reaches the screen, at the latest one interval later:
// the widgets hold their new state at once, only the painting of what changed
// is gathered. At the meter's usual 0.5 to 2 s between readings nothing is
// held back at all.
//
// It works on the window's repaint requests: a request that comes sooner
// than an interval after the last painting is held back and made again when
// the interval has passed. After the user's own input (mouse, keys, wheel)
// the next painting comes at once, so the window answers without delay.
// Showing, exposing and resizing the window paint at once as before.
class RepaintLimiter : public QObject
{
    Q_OBJECT

public:
    RepaintLimiter(QWidget *window, int intervalMs);
    ~RepaintLimiter() override;

    int intervalMs() const { return m_intervalMs; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void paintNow();
    bool isInputToWindow(QObject *watched, const QEvent *event) const;

    QWidget *m_window;
    int m_intervalMs;
    QElapsedTimer m_sincePaint;
    QTimer *m_held;
    bool m_sending = false;
    bool m_input = false; // user input since the last painting
};
