#include "ui/click_label.h"

#include <QMouseEvent>

namespace telvane {

TClickLabel::TClickLabel(QWidget* parent) : QLabel(parent) {
    setFocusPolicy(Qt::NoFocus);
}

TClickLabel::~TClickLabel() = default;

void TClickLabel::mousePressEvent(QMouseEvent* event) {
    // Taking the press keeps it from the parent; the release then comes back here even when the
    // pointer has moved off the label in between.
    if (event->button() == Qt::LeftButton) {
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        event->accept();
        if (rect().contains(event->position().toPoint())) {
            emit clicked();
        }
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

}  // namespace telvane
