// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The commissioning certificate laid out on paper: header, settings as found and as left,
// the tank's drawing or table and curve, alarms and their tests, the proof and the signature
// lines, "Page N of M" on every page. Vector throughout: text stays text, drawings stay paths.

#include <QByteArray>
#include <QPageSize>
#include <QString>

class QPagedPaintDevice;
struct TCertificate;

// Paints the whole certificate on a PDF writer or a printer, counting its pages first so each
// can say how many there are. False when painting could not begin on the device.
bool PaintCertificate(const TCertificate& certificate, QPagedPaintDevice& device);

// The certificate as PDF bytes on paper of that size; empty when it could not be made.
QByteArray CertificatePdf(const TCertificate& certificate, QPageSize::PageSizeId paper);

// Writes the PDF whole (a temporary file beside fileName, then renamed over it): a failure
// leaves an older file of that name as it was. False with the reason.
bool SaveCertificatePdf(const QString& fileName, const TCertificate& certificate,
                        QPageSize::PageSizeId paper, QString* reason);

// The page size of a paper name of the program settings ("A4", "Letter"); A4 for any other.
QPageSize::PageSizeId PaperSizeNamed(const QString& name);
