#pragma once
// The about window: not modal, one at a time, made anew after it was closed.

#include <QWidget>

namespace qlm {

class AboutWindow : public QWidget {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent = nullptr);
};

} // namespace qlm
