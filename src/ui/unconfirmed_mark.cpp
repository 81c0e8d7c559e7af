#include "ui/unconfirmed_mark.h"

#include "panel/texts.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>

namespace qlm {

namespace {

const char* const kMarkName = "UnconfirmedMark";

// Lies over the whole label and follows its size; clicks go through.
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
        QPainter painter(this);
        QPen pen(parentWidget()->palette().color(QPalette::WindowText));
        pen.setStyle(Qt::DashLine);
        painter.setPen(pen);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
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
