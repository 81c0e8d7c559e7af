#include "ui/etched_frame.h"

#include "ui/colours.h"

#include <QPainter>

namespace qlm {

namespace {

constexpr int kCaptionLeft = 7;
constexpr int kPad = 1;

} // namespace

void EtchedFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const int top = metrics.height() / 2;
    const QRect line = rect().adjusted(0, top, -2, -2);
    painter.setPen(system_colour(ColourButtonShadow));
    painter.drawRect(line);
    painter.setPen(system_colour(ColourButtonHighlight));
    painter.drawRect(line.translated(1, 1));
    if (title().isEmpty()) return;
    const QRect caption(kCaptionLeft, 0, metrics.horizontalAdvance(title()) + 2 * kPad,
                        metrics.height());
    painter.fillRect(caption, palette().window());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(caption, Qt::AlignCenter, title());
}

} // namespace qlm
