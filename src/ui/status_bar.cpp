#include "ui/status_bar.h"

#include "ui/branding.h"
#include "ui/colours.h"

#include <QLabel>
#include <QPainter>
#include <QStatusBar>

namespace qlm {

namespace {

// A status bar panel: its text with the thin sunken edge Windows draws around it.
class StatusPanel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override {
        QLabel::paintEvent(event);
        QPainter painter(this);
        const QRect edge = rect().adjusted(0, 0, -1, -1);
        painter.setPen(system_colour(ColourButtonShadow));
        painter.drawLine(edge.topLeft(), edge.topRight());
        painter.drawLine(edge.topLeft(), edge.bottomLeft());
        painter.setPen(system_colour(ColourButtonHighlight));
        painter.drawLine(edge.bottomLeft(), edge.bottomRight());
        painter.drawLine(edge.topRight(), edge.bottomRight());
    }
};

// A panel as wide as its text, unless it stretches.
QLabel* add_panel(QStatusBar* bar, const char* name, const QString& text, int stretch) {
    auto* panel = new StatusPanel(text, bar);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setContentsMargins(3, 1, 3, 1);
    bar->addWidget(panel, stretch);
    return panel;
}

} // namespace

StatusPanels set_up_status_bar(QStatusBar* bar) {
    return {
        add_panel(bar, "Panel1", QString(), 0), add_panel(bar, "Panel2", QStringLiteral(" "), 1),
        add_panel(bar, "Panel3", maker_name(), 0), add_panel(bar, "Panel4", maker_address(), 0)};
}

} // namespace qlm
