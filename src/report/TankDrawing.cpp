// SPDX-License-Identifier: GPL-3.0-or-later
#include "TankDrawing.h"

#include <QFile>
#include <QRegularExpression>

// Static libraries keep their resources only when asked for them; the macro's declaration
// must stand outside any namespace.
static void InitTankResources() {
    Q_INIT_RESOURCE(tanks);
}

QString TankDrawingPath(int type) {
    if (type < 1 || type > 4)
        return {};
    return QStringLiteral(":/tanks/iTank%1.svg").arg(type);
}

QByteArray TankDrawingWithValues(int type,
                                 const std::vector<std::pair<QString, QString>>& values) {
    InitTankResources();
    const QString path = TankDrawingPath(type);
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray svg = file.readAll();
    // Each caption gets its value on a line of its own below it, both set smaller, so they
    // stay clear of the drawing's lines.
    const QByteArray large = "font-size=\"12\"";
    for (const auto& [caption, value] : values) {
        const QByteArray label = '>' + caption.toUtf8() + "</text>";
        const qsizetype at = svg.indexOf(label);
        const qsizetype start = at < 0 ? -1 : svg.lastIndexOf("<text", at);
        if (start < 0)
            continue;
        QByteArray tag = svg.mid(start, at - start + 1);
        tag.replace(large, "font-size=\"9\"");
        QByteArray below = tag;
        const QRegularExpressionMatch y =
            QRegularExpression(QStringLiteral("y=\"([0-9.]+)\"")).match(QString::fromUtf8(tag));
        if (y.hasMatch())
            below.replace(y.captured(0).toUtf8(),
                          "y=\"" + QByteArray::number(y.captured(1).toDouble() + 10) + '"');
        svg.replace(start, at + label.size() - start,
                    tag + caption.toUtf8() + "</text>" + below + "= " +
                        value.toHtmlEscaped().toUtf8() + "</text>");
    }
    return svg;
}
