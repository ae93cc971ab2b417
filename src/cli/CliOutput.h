// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What t7310-cli prints and how: texts made safe for a terminal, JSON, the differences, the
// progress line, and the wait with the event loop running.

#include "ImageCompare.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <unistd.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>

class T7310;

// The text on one line: line breaks become single spaces.
std::string Fold(const std::string& text);

// Texts from a gauge may hold anything; keep control characters away from a terminal.
std::string Printable(const std::string& text);

void Out(const std::string& text);

void OutJson(const QJsonObject& object);

QString Latin1(const std::string& text);

std::string FamilyText(const T7310& device);

QJsonValue RowJson(const std::optional<TTableRowText>& row);

// The differences as {"differences": [...], "table": [...]}, the two sides under fromKey and
// toKey ("gauge" and "file", or "gauge" and "written").
QJsonObject DifferencesJson(const TDifferences& differences, const QString& fromKey,
                            const QString& toKey);

std::string DifferencesText(const TDifferences& differences);

// Waits for a condition while the event loop runs; false at the deadline.
bool WaitUntil(const std::function<bool()>& done, int milliseconds);

// Progress for a person watching: overwritten in place on a terminal, never written to a pipe.
class TProgress {
public:
    // Off while a trace writes its lines to the same stream.
    explicit TProgress(bool allowed) : enabled_(allowed && isatty(STDERR_FILENO) == 1) {}
    ~TProgress() { Clear(); }

    void Show(const std::string& text) {
        if (!enabled_)
            return;
        std::fprintf(stderr, "\r%-72.72s", Printable(text).c_str());
        std::fflush(stderr);
        shown_ = true;
    }
    void Clear() {
        if (!shown_)
            return;
        std::fprintf(stderr, "\r%72s\r", "");
        std::fflush(stderr);
        shown_ = false;
    }

private:
    bool enabled_;
    bool shown_ = false;
};
