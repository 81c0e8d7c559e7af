#include "ui/about_window.h"

#include "ui/branding.h"
#include "ui/colours.h"
#include "ui/fonts.h"
#include "ui/form1_layout.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>

namespace qlm {

namespace {

struct Line {
    const char* text;
    int left, top;
    double points;
};

// Twips, like the main window.
constexpr int kWidth = 4680;
constexpr int kHeight = 3480;
constexpr int kIconAt = 360;
constexpr int kRuleTop = 3000, kRuleLeft = 180, kRuleRight = 4380;
constexpr int kLineWidth = 3960, kLineHeight = 300;

constexpr Line kLines[] = {
    {"QLM-5120RX控制软件", 1320, 420, 10.5},
    {nullptr, 1320, 780, 10.5}, // the version
    {"作者：软件组", 360, 1560, 9},
    {"联系：研发部  电话 000-0000-0000", 360, 1920, 9},
    {"邮箱：support@example.com", 360, 2280, 9},
};

} // namespace

AboutWindow::AboutWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("Form2");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8("关于..."));
    setWindowIcon(program_icon());
    setFixedSize(px(kWidth), px(kHeight));
    paint(this, ColourInactiveCaption, ColourCaptionText);

    auto* picture = new QLabel(this);
    picture->setObjectName("Image1");
    picture->setPixmap(program_icon().pixmap(48, 48));
    picture->setGeometry(px(kIconAt), px(kIconAt), 48, 48);

    for (const Line& line : kLines) {
        auto* label = new QLabel(line.text ? QString::fromUtf8(line.text) : version_line(), this);
        QFont font(song_family());
        font.setPointSizeF(line.points);
        label->setFont(font);
        label->setGeometry(px(line.left), px(line.top), px(kLineWidth), px(kLineHeight));
    }
    auto* rule = new QFrame(this);
    rule->setObjectName("Line1");
    rule->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    rule->setGeometry(px(kRuleLeft), px(kRuleTop), px(kRuleRight - kRuleLeft), 2);
}

} // namespace qlm
