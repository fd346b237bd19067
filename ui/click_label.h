// A label that reports clicks of the mouse, the way a link reacts to them.
#pragma once

#include <QLabel>

namespace telvane {

// A QLabel that emits clicked() when the primary mouse button is released over it after being pressed
// on it. Other buttons, and a release after the pointer has left the label, are no click. The label
// never takes the keyboard focus, so it can only be clicked with the mouse.
class TClickLabel : public QLabel {
    Q_OBJECT

public:
    explicit TClickLabel(QWidget* parent = nullptr);
    ~TClickLabel() override;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace telvane
