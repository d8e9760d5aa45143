#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace app {

// Every modal box of the program goes through here, so a test can take the
// boxes instead of blocking on them.
using MessageShower = std::function<void(QWidget *parent, const QString &caption, const QString &text)>;

// A modal box with a single OK button.
void showMessage(QWidget *parent, const QString &caption, const QString &text);

// Replaces the shower; an empty one restores the real box. Returns the one it replaced.
MessageShower setMessageShower(MessageShower shower);

} // namespace app
