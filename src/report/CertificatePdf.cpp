// SPDX-License-Identifier: GPL-3.0-or-later
#include "CertificatePdf.h"

#include "Certificate.h"
#include "TankDrawing.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr double kMarginMm = 15;
constexpr double kFooterPt = 22;
constexpr double kGapPt = 8;

// A number of a table cell ("1.250", or "1,250" in a locale with a decimal comma).
std::optional<double> CellNumber(const std::string& text) {
    bool ok = false;
    const double value =
        QString::fromStdString(text).replace(u',', u'.').trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

// Axis ticks at 1, 2 or 5 times a power of ten, about five of them.
double TickStep(double span) {
    if (span <= 0)
        return 1;
    const double raw = span / 5;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double f : {1.0, 2.0, 5.0})
        if (raw <= f * power)
            return f * power;
    return 10 * power;
}

// Lays the certificate out top to bottom; works in points, painting in device units.
class TLayout {
public:
    TLayout(QPagedPaintDevice& device, const TCertificate& c, int total)
        : device_(device), c_(c), total_(total) {}

    int Run() {
        if (!painter_.begin(&device_))
            return 0;
        k_ = device_.logicalDpiY() / 72.0;
        width_ = device_.width() / k_;
        height_ = device_.height() / k_;
        Title();
        Header();
        Settings();
        Tank();
        Alarms();
        Proof();
        Signatures();
        Footer();
        painter_.end();
        return page_;
    }

private:
    // ---- primitives ----
    QFont Font(double pt, bool bold = false, bool mono = false) const {
        QFont font(mono ? QStringLiteral("Liberation Mono") : QStringLiteral("Liberation Sans"));
        font.setStyleHint(mono ? QFont::Monospace : QFont::SansSerif);
        font.setPointSizeF(pt);
        font.setBold(bold);
        return font;
    }
    QRectF R(double x, double y, double w, double h) const {
        return {x * k_, y * k_, w * k_, h * k_};
    }
    // The height in points a text takes wrapped to a width.
    double Height(const QString& text, const QFont& font, double w) {
        painter_.setFont(font);
        const QRectF box = painter_.boundingRect(R(0, 0, w, 10000),
                                                 Qt::TextWordWrap | Qt::AlignLeft, text);
        return box.height() / k_;
    }
    double Draw(double x, double w, const QString& text, const QFont& font,
                int align = Qt::AlignLeft) {
        const double h = Height(text, font, w);
        painter_.setFont(font);
        painter_.drawText(R(x, y_, w, h), Qt::TextWordWrap | align, text);
        return h;
    }
    void Line(double x1, double y1, double x2, double y2, double pt = 0.5) {
        painter_.setPen(QPen(Qt::black, pt * k_));
        painter_.drawLine(QPointF(x1 * k_, y1 * k_), QPointF(x2 * k_, y2 * k_));
    }
    double Bottom() const { return height_ - kFooterPt; }
    void Need(double h) {
        if (y_ + h > Bottom() && y_ > 0)
            NewPage();
    }
    void NewPage() {
        Footer();
        device_.newPage();
        ++page_;
        y_ = 0;
    }
    void Footer() {
        const QFont font = Font(8);
        painter_.setFont(font);
        const double y = height_ - 12;
        Line(0, y - 4, width_, y - 4, 0.3);
        painter_.drawText(R(0, y, width_ * 0.7, 12), Qt::AlignLeft,
                          c_.Title + QStringLiteral(" \u2013 ") + c_.Gauge);
        painter_.drawText(R(width_ * 0.7, y, width_ * 0.3, 12), Qt::AlignRight,
                          QStringLiteral("Page %1 of %2").arg(page_).arg(std::max(total_, page_)));
    }
    void Heading(const QString& text) {
        Need(40);
        y_ += y_ > 0 ? 10 : 0;
        y_ += Draw(0, width_, text, Font(13, true));
        Line(0, y_ + 1, width_, y_ + 1, 0.8);
        y_ += 6;
    }
    // Caption and value lines in two columns of text.
    void Lines(const std::vector<TCertificateLine>& lines, double captionWidth) {
        const QFont caption = Font(9, true);
        const QFont value = Font(9);
        for (const TCertificateLine& line : lines) {
            const double h = std::max(Height(line.Caption, caption, captionWidth - 6),
                                      Height(line.Value, value, width_ - captionWidth));
            Need(h + 2);
            Draw(0, captionWidth - 6, line.Caption, caption);
            Draw(captionWidth, width_ - captionWidth, line.Value, value);
            y_ += h + 2;
        }
    }

    // ---- sections ----
    void Title() {
        y_ += Draw(0, width_, c_.Title, Font(18, true));
        if (c_.Offline) {
            y_ += 2;
            y_ += Draw(0, width_, QString::fromLatin1(kOfflineNote), Font(9, true));
        }
        y_ += kGapPt;
    }
    void Header() { Lines(c_.Header, 110); }

    void Settings() {
        Heading(QStringLiteral("Settings"));
        if (!c_.Offline) {
            y_ += Draw(0, width_,
                       QString::fromUtf8(kChangedLegend) +
                           QStringLiteral(" (bold); %1 changed.").arg(c_.ChangedCount),
                       Font(8));
            y_ += 4;
        }
        const double marker = 12;
        const double name = c_.Offline ? width_ * 0.5 : width_ * 0.4;
        const double column = c_.Offline ? width_ - marker - name : (width_ - marker - name) / 2;
        const auto columns = [&](const QFont& font, const QString& a, const QString& b,
                                 const QString& cc, const QString& mark) {
            double h = std::max(Height(a, font, name - 4), Height(cc, font, column - 4));
            if (!c_.Offline)
                h = std::max(h, Height(b, font, column - 4));
            Need(h + 2);
            Draw(0, marker, mark, font);
            Draw(marker, name - 4, a, font);
            if (c_.Offline) {
                Draw(marker + name, column - 4, cc, font);
            } else {
                Draw(marker + name, column - 4, b, font);
                Draw(marker + name + column, column - 4, cc, font);
            }
            y_ += h + 2;
        };
        columns(Font(8.5, true), QStringLiteral("Setting"), QStringLiteral("As found"),
                c_.Offline ? QStringLiteral("Value") : QStringLiteral("As left"), QString());
        Line(0, y_, width_, y_, 0.4);
        y_ += 2;
        for (const TCertificateGroup& group : c_.Groups) {
            Need(30);
            y_ += 3;
            y_ += Draw(0, width_, group.Name, Font(9.5, true));
            for (const TCertificateSetting& s : group.Settings)
                columns(Font(8.5, s.Changed), s.Name, s.Found, s.Left,
                        s.Changed ? QString::fromUtf8(kChangedMarker) : QString());
        }
    }

    void Tank() {
        Heading(QStringLiteral("Tank"));
        std::vector<TCertificateLine> lines{{QStringLiteral("Tank type"), c_.TankTypeName}};
        lines.insert(lines.end(), c_.Dimensions.begin(), c_.Dimensions.end());
        const QByteArray svg = TankDrawingWithValues(c_.TankType, [&] {
            std::vector<std::pair<QString, QString>> values;
            for (const TCertificateLine& d : c_.Dimensions)
                values.emplace_back(d.Caption, d.Value);
            return values;
        }());
        if (!svg.isEmpty()) {
            QSvgRenderer drawing(svg);
            QSizeF size = drawing.defaultSize();
            size.scale(QSizeF(width_ * 0.6, 190), Qt::KeepAspectRatio);
            Need(size.height() + 8);
            drawing.render(&painter_, R(0, y_, size.width(), size.height()));
            const double top = y_;
            const double x = size.width() + 16;
            for (const TCertificateLine& line : lines) {
                Draw(x, width_ - x, line.Caption + QStringLiteral(": ") + line.Value, Font(9));
                y_ += 13;
            }
            y_ = top + size.height() + 4;
        } else {
            Lines(lines, 110);
        }
        if (c_.NonStandard) {
            Table();
            Curve();
        }
    }

    // Rows in blocks of three columns; a long table fills two blocks side by side per page.
    void Table() {
        Need(60);
        y_ += 6;
        y_ += Draw(0, width_, QStringLiteral("Tank Table (%1 rows)").arg(c_.Table.size()),
                   Font(10, true));
        const double rowH = 11;
        const double block = (width_ - 20) / 2;
        const QFont head = Font(8, true);
        const QFont cell = Font(8);
        const QString heightTitle = QStringLiteral("Height (%1)").arg(c_.HeightUnit);
        const QString volumeTitle = QStringLiteral("Volume (%1)").arg(c_.VolumeUnit);
        size_t next = 0;
        while (next < c_.Table.size()) {
            Need(rowH * 3);
            const int fit = std::max(1, static_cast<int>((Bottom() - y_) / rowH) - 1);
            const size_t left = c_.Table.size() - next;
            // One block while the rest fits beside nothing; else two, filled down then across.
            const size_t perBlock = left <= static_cast<size_t>(fit)
                                        ? left
                                        : std::min<size_t>(static_cast<size_t>(fit),
                                                           (left + 1) / 2);
            const double top = y_;
            double lowest = y_;
            for (int b = 0; b < 2 && next < c_.Table.size(); ++b) {
                const double x = b * (block + 20);
                y_ = top;
                painter_.setFont(head);
                painter_.drawText(R(x, y_, 30, rowH), Qt::AlignRight, QStringLiteral("Row"));
                painter_.drawText(R(x + 36, y_, block / 2 - 20, rowH), Qt::AlignRight,
                                  heightTitle);
                painter_.drawText(R(x + block / 2 + 16, y_, block / 2 - 20, rowH),
                                  Qt::AlignRight, volumeTitle);
                y_ += rowH;
                Line(x, y_, x + block, y_, 0.3);
                painter_.setFont(cell);
                for (size_t i = 0; i < perBlock && next < c_.Table.size(); ++i, ++next) {
                    const TTableRow& row = c_.Table[next];
                    painter_.drawText(R(x, y_, 30, rowH), Qt::AlignRight,
                                      QString::number(next + 1));
                    painter_.drawText(R(x + 36, y_, block / 2 - 20, rowH), Qt::AlignRight,
                                      QString::fromStdString(row.Height));
                    painter_.drawText(R(x + block / 2 + 16, y_, block / 2 - 20, rowH),
                                      Qt::AlignRight, QString::fromStdString(row.Volume));
                    y_ += rowH;
                }
                lowest = std::max(lowest, y_);
            }
            y_ = lowest + 4;
        }
    }

    void Curve() {
        std::vector<QPointF> points;
        for (const TTableRow& row : c_.Table) {
            const auto h = CellNumber(row.Height);
            const auto v = CellNumber(row.Volume);
            if (h && v)
                points.emplace_back(*h, *v);
        }
        if (points.size() < 2)
            return;
        const double plotH = 200;
        Need(plotH + 50);
        y_ += 8;
        y_ += Draw(0, width_, QStringLiteral("Volume against height"), Font(10, true));
        const QString volumeTitle = QStringLiteral("Volume (%1)").arg(c_.VolumeUnit);
        y_ += Draw(0, width_, volumeTitle, Font(8));
        const double left = 50;
        const double plotW = width_ - left - 10;
        const double top = y_ + 4;
        double x0 = points.front().x(), x1 = x0, v0 = points.front().y(), v1 = v0;
        for (const QPointF& p : points) {
            x0 = std::min(x0, p.x());
            x1 = std::max(x1, p.x());
            v0 = std::min(v0, p.y());
            v1 = std::max(v1, p.y());
        }
        x0 = std::min(x0, 0.0);
        v0 = std::min(v0, 0.0);
        const double xs = TickStep(x1 - x0);
        const double vs = TickStep(v1 - v0);
        x1 = std::ceil(x1 / xs) * xs;
        v1 = std::ceil(v1 / vs) * vs;
        if (x1 <= x0)
            x1 = x0 + xs;
        if (v1 <= v0)
            v1 = v0 + vs;
        const auto px = [&](double x) { return left + (x - x0) / (x1 - x0) * plotW; };
        const auto py = [&](double v) { return top + plotH - (v - v0) / (v1 - v0) * plotH; };
        const QFont tick = Font(7);
        painter_.setFont(tick);
        const QLocale locale;
        for (double x = x0; x <= x1 + xs / 2; x += xs) {
            Line(px(x), top + plotH, px(x), top + plotH + 3, 0.4);
            painter_.drawText(R(px(x) - 25, top + plotH + 4, 50, 10), Qt::AlignHCenter,
                              locale.toString(x, 'g', 6));
        }
        for (double v = v0; v <= v1 + vs / 2; v += vs) {
            Line(left - 3, py(v), left, py(v), 0.4);
            painter_.drawText(R(0, py(v) - 5, left - 5, 10), Qt::AlignRight,
                              locale.toString(v, 'g', 6));
        }
        Line(left, top, left, top + plotH, 0.6);
        Line(left, top + plotH, left + plotW, top + plotH, 0.6);
        QPainterPath path;
        path.moveTo(px(points.front().x()) * k_, py(points.front().y()) * k_);
        for (const QPointF& p : points)
            path.lineTo(px(p.x()) * k_, py(p.y()) * k_);
        painter_.setPen(QPen(QColor(0x1a, 0x4f, 0x9c), 1.2 * k_));
        painter_.setBrush(Qt::NoBrush);
        painter_.drawPath(path);
        painter_.setBrush(Qt::black);
        painter_.setPen(Qt::NoPen);
        for (const QPointF& p : points)
            painter_.drawEllipse(QPointF(px(p.x()) * k_, py(p.y()) * k_), 1.5 * k_, 1.5 * k_);
        painter_.setBrush(Qt::NoBrush);
        painter_.setPen(Qt::black);
        y_ = top + plotH + 16;
        y_ += Draw(left, plotW, QStringLiteral("Height (%1)").arg(c_.HeightUnit), Font(8),
                   Qt::AlignHCenter);
    }

    void Alarms() {
        Heading(QStringLiteral("Alarms"));
        const double w = width_ / 5;
        const auto row = [&](const QFont& font, const QStringList& cells) {
            Need(13);
            for (int i = 0; i < cells.size(); ++i)
                Draw(i * w, w - 4, cells[i], font);
            y_ += 13;
        };
        row(Font(8.5, true), {QStringLiteral("Output"), QStringLiteral("Enabled"),
                              QStringLiteral("Direction"), QStringLiteral("Setpoint"),
                              QStringLiteral("Hysteresis")});
        for (const TCertificateAlarm& a : c_.Alarms)
            row(Font(8.5), {a.Title, a.Enabled ? QStringLiteral("Yes") : QStringLiteral("No"),
                            a.Direction, a.Setpoint, a.Hysteresis});
        y_ += 6;
        Need(30);
        y_ += Draw(0, width_, QStringLiteral("Alarm tests in this connection"), Font(10, true));
        if (c_.Offline) {
            y_ += Draw(0, width_, QStringLiteral("None: prepared without a gauge."), Font(8.5));
            return;
        }
        if (c_.AlarmTests.empty()) {
            y_ += Draw(0, width_, QStringLiteral("No alarm test was run in this connection."),
                       Font(8.5));
            return;
        }
        const double cw[] = {width_ * 0.25, width_ * 0.3, width_ * 0.45};
        const auto test = [&](const QFont& font, const QString& a, const QString& b,
                              const QString& cc) {
            const double h = std::max(Height(cc, font, cw[2] - 4), 12.0);
            Need(h + 1);
            Draw(0, cw[0] - 4, a, font);
            Draw(cw[0], cw[1] - 4, b, font);
            Draw(cw[0] + cw[1], cw[2] - 4, cc, font);
            y_ += h + 1;
        };
        test(Font(8.5, true), QStringLiteral("Output"), QStringLiteral("Started"),
             QStringLiteral("How it ended"));
        for (const TCertificateAlarmTest& t : c_.AlarmTests)
            test(Font(8.5), t.Output, t.Started, t.Ending);
    }

    void Proof() {
        Heading(QStringLiteral("Proof"));
        Lines(c_.Proof, 110);
    }

    void Signatures() {
        Need(150);
        Heading(QStringLiteral("Signatures"));
        y_ += 26;
        const double half = width_ / 2;
        for (double x : {0.0, half + 10}) {
            Line(x, y_, x + half - 30, y_, 0.6);
        }
        y_ += 3;
        Draw(0, half - 30, QStringLiteral("Technician: ") + c_.Technician, Font(8.5));
        Draw(half + 10, half - 30, QStringLiteral("For the site: name and signature"),
             Font(8.5));
        y_ += 30;
        for (double x : {0.0, half + 10})
            Line(x, y_, x + half - 30, y_, 0.6);
        y_ += 3;
        Draw(0, half - 30, QStringLiteral("Date"), Font(8.5));
        Draw(half + 10, half - 30, QStringLiteral("Date"), Font(8.5));
        y_ += 24;
        y_ += Draw(0, width_, QStringLiteral("SHA-256 of this certificate's content"),
                   Font(8.5, true));
        y_ += Draw(0, width_, c_.ContentSha256, Font(8, false, true));
    }

    QPagedPaintDevice& device_;
    const TCertificate& c_;
    const int total_;
    QPainter painter_;
    double k_ = 1;
    double width_ = 0;
    double height_ = 0;
    double y_ = 0;
    int page_ = 1;
};

void SetUp(QPdfWriter& writer, const QPageLayout& layout, int resolution = 600) {
    writer.setResolution(resolution);
    writer.setPageLayout(layout);
    writer.setTitle(QString::fromLatin1(kCertificateTitle));
    writer.setCreator(QString::fromLatin1(kConfiguratorName));
}

// The pages the certificate takes on that layout, painted once on a PDF nobody keeps, at the
// device's own resolution so that its text measures and breaks exactly as it will there.
int CountPages(const TCertificate& certificate, const QPageLayout& layout, int resolution) {
    QBuffer scratch;
    scratch.open(QIODevice::WriteOnly);
    QPdfWriter writer(&scratch);
    SetUp(writer, layout, resolution);
    return TLayout(writer, certificate, 0).Run();
}

} // namespace

bool PaintCertificate(const TCertificate& certificate, QPagedPaintDevice& device) {
    const int total = CountPages(certificate, device.pageLayout(), device.logicalDpiY());
    return total > 0 && TLayout(device, certificate, total).Run() > 0;
}

QByteArray CertificatePdf(const TCertificate& certificate, QPageSize::PageSizeId paper) {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        SetUp(writer, QPageLayout(QPageSize(paper), QPageLayout::Portrait,
                                  QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                  QPageLayout::Millimeter));
        if (!PaintCertificate(certificate, writer))
            return {};
    }
    return bytes;
}

bool SaveCertificatePdf(const QString& fileName, const TCertificate& certificate,
                        QPageSize::PageSizeId paper, QString* reason) {
    const QByteArray bytes = CertificatePdf(certificate, paper);
    if (bytes.isEmpty()) {
        if (reason)
            *reason = QStringLiteral("the certificate could not be laid out");
        return false;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
        !file.commit()) {
        if (reason)
            *reason = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

QPageSize::PageSizeId PaperSizeNamed(const QString& name) {
    return name.compare(QLatin1String("Letter"), Qt::CaseInsensitive) == 0 ? QPageSize::Letter
                                                                           : QPageSize::A4;
}
