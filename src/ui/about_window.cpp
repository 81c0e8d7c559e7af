#include "ui/about_window.h"

#include "ui/colours.h"
#include "ui/form1_layout.h"

#include <QFrame>
#include <QLabel>

namespace qlm {

namespace {
int px(int twips) { return twips / kTwipsPerPixel; }
} // namespace

AboutWindow::AboutWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("Form2");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8("关于..."));
    setFixedSize(px(4680), px(3480));
    paint(this, COLOR_INACTIVECAPTION, COLOR_CAPTIONTEXT);

    const struct {
        const char* text;
        int top;
    } lines[] = {
        {"QLM-5120RX控制软件 V1.1", 360},
        {"超声脉冲发射接收仪控制程序", 840},
        {"作者：研发部", 1560},
        {"联系：研发部 电话 000-00000000", 1920},
        {"邮箱：support@example.com", 2280},
    };
    for (const auto& line : lines) {
        auto* label = new QLabel(QString::fromUtf8(line.text), this);
        label->setGeometry(px(360), px(line.top), px(3960), px(300));
    }
    auto* rule = new QFrame(this);
    rule->setObjectName("Line1");
    rule->setFrameShape(QFrame::HLine);
    rule->setGeometry(px(180), px(3000), px(4380 - 180), 2);
}

} // namespace qlm
