#pragma once

class QWidget;

namespace panel {

// Puts a new window beside the main window without covering it or `above`.
void placeBeside(QWidget *window, const QWidget *main, const QWidget *above);

} // namespace panel
