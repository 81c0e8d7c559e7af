#include "record/sheet.h"

#include "record/journal.h"

#include "panel/outcome_hook.h"
#include "panel/texts.h"
#include "panel/version.h"
#include "params/descriptor.h"
#include "params/interlock.h"
#include "params/number.h"
#include "settings/settings_file.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSettings>

#include <algorithm>

namespace qlm {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// A painter in millimetres on the page.
class Page {
public:
    Page(QPainter& painter, double dots_per_mm) : p_(painter), scale_(dots_per_mm) {}

    QPainter& painter() { return p_; }
    double px(double mm) const { return mm * scale_; }
    QRectF rect(double x, double y, double w, double h) const {
        return {px(x), px(y), px(w), px(h)};
    }
    void font(double points, bool bold = false) {
        QFont font;
        // A Song face: Windows' own, else the one the Debian package brings.
        font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"),
                          QStringLiteral("AR PL UMing TW")});
        font.setStyleHint(QFont::Serif);
        font.setPointSizeF(points);
        font.setBold(bold);
        p_.setFont(font);
    }
    // One line, cut with an ellipsis where it would run past its box.
    void text(double x, double y, double w, double h, const QString& text,
              int flags = Qt::AlignLeft | Qt::AlignVCenter) {
        const QRectF box = rect(x, y, w, h);
        const QString line = QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
        p_.drawText(box, flags,
                    p_.fontMetrics().elidedText(line, Qt::ElideMiddle, int(box.width())));
    }
    void line(double x1, double y1, double x2, double y2) {
        p_.drawLine(QPointF(px(x1), px(y1)), QPointF(px(x2), px(y2)));
    }

private:
    QPainter& p_;
    double scale_;
};

constexpr double kLeft = 18, kWidth = 174; // mm

void heading(Page& page, double y, const char* text) {
    page.font(11, true);
    page.text(kLeft, y, kWidth, 6, QString::fromUtf8(text));
    page.painter().setPen(QPen(Qt::black, page.px(0.25)));
    page.line(kLeft, y + 6.5, kLeft + kWidth, y + 6.5);
}

// The ten settings in two columns of five, with their units as the display shows them.
double draw_values(Page& page, double y, const SheetContent& content) {
    heading(page, y, "仪器设置");
    page.font(9);
    page.text(kLeft + 40, y, kWidth - 40, 6, QStringLiteral("（%1）").arg(qs(content.values_from)),
              Qt::AlignRight | Qt::AlignVCenter);
    y += 9;
    for (std::size_t i = 0; i < kAllFields.size(); ++i) {
        const Field field = kAllFields[i];
        const double x = kLeft + (i < 5 ? 0 : kWidth / 2);
        const double row = y + static_cast<double>(i % 5) * 7;
        page.font(10);
        page.text(x + 2, row, 40, 7, QString::fromUtf8(descriptor(field).title));
        page.font(10, true);
        page.text(x + 42, row, 40, 7, qs(shown_text(field, content.values[field])));
    }
    return y + 5 * 7 + 4;
}

// The check's lines that fit; a last line says how many more follow overleaf.
std::size_t first_page_lines(const SheetContent& content) {
    return content.check.size() > kCheckLines ? kCheckLines - 1 : content.check.size();
}

double draw_check(Page& page, double y, const SheetContent& content) {
    heading(page, y, "仪器核对");
    y += 9;
    page.font(9.5);
    const std::size_t shown = first_page_lines(content);
    for (std::size_t i = 0; i < shown; ++i) {
        page.text(kLeft + 2, y, kWidth - 2, 5.5, qs(content.check[i]));
        y += 5.5;
    }
    if (shown < content.check.size()) {
        page.font(9.5, true);
        page.text(kLeft + 2, y, kWidth - 2, 5.5,
                  qs(texts::sheet_check_more(content.check.size() - shown)));
        y += 5.5;
    }
    return y + 3;
}

// The rest of the check on pages of their own.
void draw_check_overleaf(QPdfWriter& writer, Page& page, const SheetContent& content) {
    constexpr double kTop = 14, kBottom = 280, kPitch = 5.5;
    double y = kBottom;
    for (std::size_t i = first_page_lines(content); i < content.check.size(); ++i) {
        if (y + kPitch > kBottom) {
            writer.newPage();
            heading(page, kTop, "仪器核对（续）");
            y = kTop + 9;
            page.font(9.5);
        }
        page.text(kLeft + 2, y, kWidth - 2, kPitch, qs(content.check[i]));
        y += kPitch;
    }
}

// The allowed region shaded, its steps labelled from the table, the current setting marked.
double draw_envelope(Page& page, double y, const SheetContent& content) {
    heading(page, y, "重复频率与脉冲宽度的允许范围");
    const double height = 58;
    const QRectF plot = page.rect(kLeft + 22, y + 16, kWidth - 32, height - 26);
    const NumericRule& width_rule = *descriptor(Field::pw).numeric;
    const double x_max = static_cast<double>(width_rule.max);
    const double y_max = prf_bands().front().max_prf * 1.1;
    const auto at = [&](double ns, double hz) {
        return QPointF(plot.left() + plot.width() * ns / x_max,
                       plot.bottom() - plot.height() * hz / y_max);
    };
    QPainter& p = page.painter();
    QPainterPath region;
    const std::vector<QPointF> outline = envelope_outline();
    region.moveTo(at(outline.front().x(), 0));
    for (const QPointF& point : outline)
        region.lineTo(at(point.x(), point.y()));
    region.lineTo(at(outline.back().x(), 0));
    region.closeSubpath();
    p.setPen(QPen(QColor(40, 90, 160), page.px(0.35)));
    p.setBrush(QColor(200, 220, 245));
    p.drawPath(region);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, page.px(0.25)));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawLine(plot.bottomLeft(), plot.topLeft());

    page.font(7.5);
    const double mm = page.px(1);
    const auto x_label = [&](double ns) {
        const QPointF point = at(ns, 0);
        p.drawLine(point, point + QPointF(0, mm));
        p.drawText(QRectF(point.x() - 10 * mm, point.y() + mm, 20 * mm, 4 * mm), Qt::AlignCenter,
                   QString::number(ns));
    };
    const auto y_label = [&](double hz) {
        const QPointF point = at(0, hz);
        p.drawLine(point, point - QPointF(mm, 0));
        p.drawText(QRectF(point.x() - 16 * mm, point.y() - 2 * mm, 14.5 * mm, 4 * mm),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(hz));
    };
    x_label(0);
    for (const PrfBand& band : prf_bands()) {
        x_label(static_cast<double>(band.below_ns));
        y_label(band.max_prf);
    }
    x_label(x_max);
    y_label(kPrfFloor);
    page.font(8);
    p.drawText(QRectF(plot.left(), plot.bottom() + 5 * mm, plot.width(), 5 * mm), Qt::AlignCenter,
               QStringLiteral("脉冲宽度（%1）").arg(QString::fromUtf8(descriptor(Field::pw).unit)));
    p.drawText(
        QRectF(plot.left() - 20 * mm, plot.top() - 7 * mm, 40 * mm, 4 * mm),
        Qt::AlignLeft | Qt::AlignVCenter,
        QStringLiteral("重复频率（%1）").arg(QString::fromUtf8(descriptor(Field::prf).unit)));

    const auto width = parse_decimal(content.values.pw);
    const auto prf = parse_decimal(content.values.prf);
    if (width && prf) {
        const bool allowed = prf_allowed(*prf, *width);
        const QPointF point = at(static_cast<double>(width->num) / static_cast<double>(width->den),
                                 static_cast<double>(prf->num) / static_cast<double>(prf->den));
        p.setPen(QPen(allowed ? QColor(0, 110, 0) : QColor(200, 0, 0), page.px(0.6)));
        p.drawLine(point - QPointF(2 * mm, 2 * mm), point + QPointF(2 * mm, 2 * mm));
        p.drawLine(point - QPointF(2 * mm, -2 * mm), point + QPointF(2 * mm, -2 * mm));
        page.font(8, true);
        p.drawText(QRectF(point.x() + 3 * mm, point.y() - 6 * mm, 60 * mm, 4.5 * mm),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("当前设置：%1，%2%3")
                       .arg(qs(shown_text(Field::pw, content.values.pw)),
                            qs(shown_text(Field::prf, content.values.prf)),
                            allowed ? QString() : QStringLiteral("（超出允许范围）")));
    }
    p.setPen(QPen(Qt::black));
    return y + height + 2;
}

double draw_recent(Page& page, double y, const SheetContent& content) {
    heading(page, y, "今日最近的更改（操作记录）");
    y += 9;
    page.font(8.5);
    if (content.recent.empty()) {
        page.text(kLeft + 2, y, kWidth, 5, QStringLiteral("今日没有更改。"));
        return y + 8;
    }
    for (const JournalRow& row : content.recent) {
        const QString time = qs(row.time).mid(11, 8);
        page.text(kLeft + 2, y, 16, 5, time);
        page.text(kLeft + 18, y, 30, 5, qs(row.program));
        page.text(kLeft + 48, y, 22, 5, qs(row.parameter));
        page.text(kLeft + 70, y, 40, 5,
                  qs(row.old_text) + QStringLiteral(" → ") + qs(row.new_text));
        page.text(kLeft + 110, y, kWidth - 110, 5, qs(row.result).section(QLatin1Char('\n'), 0, 0));
        y += 5;
    }
    return y + 3;
}

void draw_people(Page& page, double y, const SheetContent& content) {
    heading(page, y, "检测信息");
    y += 10;
    const std::pair<const char*, const std::string*> lines[] = {
        {"操作人员", &content.people.operator_name},
        {"探头", &content.people.probe},
        {"工件 / 工艺规程", &content.people.part},
        {"签名", nullptr},
    };
    for (const auto& [label, value] : lines) {
        page.font(10);
        page.text(kLeft + 2, y, 34, 7, QString::fromUtf8(label) + QStringLiteral("："));
        if (value) {
            page.font(10, true);
            page.text(kLeft + 36, y, kWidth - 36, 7, qs(*value));
        }
        page.painter().setPen(QPen(Qt::gray, page.px(0.2)));
        page.line(kLeft + 36, y + 6.5, kLeft + kWidth, y + 6.5);
        page.painter().setPen(QPen(Qt::black));
        y += 8.5;
    }
}

} // namespace

std::vector<QPointF> envelope_outline() {
    std::vector<QPointF> outline;
    const NumericRule& width_rule = *descriptor(Field::pw).numeric;
    double from = static_cast<double>(width_rule.min);
    for (const PrfBand& band : prf_bands()) {
        outline.emplace_back(from, band.max_prf);
        from = static_cast<double>(band.below_ns);
        outline.emplace_back(from, band.max_prf);
    }
    outline.emplace_back(from, kPrfFloor);
    outline.emplace_back(static_cast<double>(width_rule.max), kPrfFloor);
    return outline;
}

std::vector<JournalRow> recent_changes(const std::vector<std::string>& lines, std::size_t count) {
    std::vector<JournalRow> rows;
    for (const std::string& line : lines) {
        for (JournalRow& row : journal_rows(line)) {
            if (row.event == "sent" || row.event == "refused") rows.push_back(std::move(row));
        }
    }
    if (rows.size() > count)
        rows.erase(rows.begin(), rows.end() - static_cast<std::ptrdiff_t>(count));
    return rows;
}

namespace {

const QString kPeopleFile = QStringLiteral("sheet.ini");

bool is_control(QChar c) {
    return is_control_character(c.unicode());
}

} // namespace

std::string sheet_text_problem(const std::string& label, const std::string& text) {
    const QString line = QString::fromStdString(text);
    if (std::any_of(line.begin(), line.end(), is_control))
        return texts::sheet_text_has_controls(label);
    if (line.size() > kPeopleLength) return texts::sheet_text_too_long(label, kPeopleLength);
    return {};
}

SheetPeople remembered_people(const QString& folder) {
    if (folder.isEmpty()) return {};
    QSettings settings(QDir(folder).filePath(kPeopleFile), QSettings::IniFormat);
    const auto text = [&](const char* key) {
        QString line = settings.value(QLatin1String(key)).toString();
        line.removeIf(is_control);
        return line.left(kPeopleLength).toStdString();
    };
    return {text("operator"), text("probe"), text("part")};
}

void remember_people(const QString& folder, const SheetPeople& people) {
    if (folder.isEmpty() || !QDir().mkpath(folder)) return; // a convenience: never an error
    QSettings settings(QDir(folder).filePath(kPeopleFile), QSettings::IniFormat);
    settings.setValue("operator", QString::fromStdString(people.operator_name));
    settings.setValue("probe", QString::fromStdString(people.probe));
    settings.setValue("part", QString::fromStdString(people.part));
}

namespace {

// The whole PDF in memory: a painter does not report a failed write.
QString draw_sheet(QByteArray& pdf, const SheetContent& content) {
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        writer.setResolution(300);
        writer.setTitle(QStringLiteral("QLM-5120RX 设置单"));
        writer.setCreator(QStringLiteral("%1 V%2").arg(qs(content.program), program_version()));
        QPainter painter;
        if (!painter.begin(&writer)) return QStringLiteral("无法绘制 PDF");
        Page page(painter, writer.resolution() / 25.4);

        page.font(17, true);
        page.text(kLeft, 14, kWidth, 10, QStringLiteral("QLM-5120RX 超声脉冲发射接收仪 设置单"),
                  Qt::AlignCenter);
        page.font(9);
        const QString iso = QString::fromStdString(journal_time(content.time));
        page.text(kLeft, 26, kWidth, 5,
                  QStringLiteral("日期时间：%1 %2（UTC%3）    程序：%4 V%5    驱动：%6")
                      .arg(iso.left(10), iso.mid(11, 8), iso.right(6), qs(content.program),
                           QString::fromUtf8(program_version()),
                           content.simulator ? QStringLiteral("模拟仪器（不是真实仪器）")
                                             : QStringLiteral("仪器")),
                  Qt::AlignCenter);
        double y = 36;
        y = draw_values(page, y, content);
        y = draw_check(page, y, content);
        y = draw_envelope(page, y, content);
        y = draw_recent(page, y, content);
        draw_people(page, std::max(y, 232.0), content);
        draw_check_overleaf(writer, page, content);
        if (!painter.end()) return QStringLiteral("无法完成 PDF");
    }
    return {};
}

} // namespace

QString write_sheet(const QString& path, const SheetContent& content) {
    QByteArray pdf;
    QString problem = draw_sheet(pdf, content);
    if (problem.isEmpty()) problem = save_file_bytes(path, pdf);
    const QString shown = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    tell_outcome_hook(
        FileDone{FileOp::sheet, shown.toStdString(), problem.isEmpty(), problem.toStdString()});
    return problem;
}

} // namespace qlm
