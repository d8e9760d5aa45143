#pragma once

#include <QComboBox>

namespace panel {

// A drop-down list that says when its list is about to open, before the user
// can choose anything from it.
class DropDown : public QComboBox
{
    Q_OBJECT

public:
    explicit DropDown(QWidget *parent = nullptr);

    void showPopup() override;

signals:
    void droppedDown();
};

} // namespace panel
