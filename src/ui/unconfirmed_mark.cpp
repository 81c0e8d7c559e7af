#include "ui/unconfirmed_mark.h"

#include "panel/texts.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QStyle>

#include <algorithm>

namespace qlm {

namespace {

const char* const kMarkName = "UnconfirmedMark";

// Lies over the whole label and follows its size; clicks go through. It underlines the text
// with dashes in the text's own colour: a shape, not a colour, that swaps with the emphasis
// and never crosses a glyph or the unit beside the value.
class Mark : public QWidget {
public:
    explicit Mark(QLabel* label) : QWidget(label) {
        setObjectName(QLatin1String(kMarkName));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(label->rect());
        label->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parentWidget() && event->type() == QEvent::Resize)
            setGeometry(parentWidget()->rect());
        return false;
    }
    void paintEvent(QPaintEvent*) override {
        const auto* label = static_cast<const QLabel*>(parentWidget());
        const QFontMetrics metrics(label->font());
        const QRect text =
            QStyle::alignedRect(label->layoutDirection(), label->alignment(),
                                QSize(metrics.horizontalAdvance(label->text()), metrics.height()),
                                label->contentsRect());
        const int y = std::min(text.bottom() + 1, rect().bottom() - 1);
        QPainter painter(this);
        QPen pen(label->palette().color(QPalette::WindowText), 2);
        pen.setStyle(Qt::DashLine);
        painter.setPen(pen);
        painter.drawLine(text.left(), y, text.right(), y);
    }
};

} // namespace

void mark_unconfirmed(QLabel* label, bool unconfirmed) {
    auto* mark = label->findChild<QWidget*>(QLatin1String(kMarkName), Qt::FindDirectChildrenOnly);
    if (unconfirmed && !mark) mark = new Mark(label);
    if (mark) mark->setVisible(unconfirmed);
    label->setToolTip(unconfirmed ? QString::fromUtf8(texts::kUnconfirmed) : QString());
}

bool is_marked_unconfirmed(const QLabel* label) {
    const auto* mark =
        label->findChild<QWidget*>(QLatin1String(kMarkName), Qt::FindDirectChildrenOnly);
    return mark && !mark->isHidden();
}

} // namespace qlm
