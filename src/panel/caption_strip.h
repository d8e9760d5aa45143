#pragma once

#include <QLabel>

namespace panel {

// A title strip over a group of controls ("Данные эталона", "Профиль ..."). Its
// caption is set by the program from the lexicons, not by a language file.
class CaptionStrip : public QLabel
{
    Q_OBJECT

public:
    explicit CaptionStrip(QWidget *parent = nullptr);
};

} // namespace panel
