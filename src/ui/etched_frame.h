#pragma once
// A frame as Windows draws one: an etched line half a caption line down, the caption
// standing on it over the frame's own background.

#include <QGroupBox>

namespace qlm {

class EtchedFrame : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace qlm
