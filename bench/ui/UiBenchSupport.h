#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

// What the viewer benchmarks share.

// Drops the offscreen platform's notes on what it cannot do (on every resize)
// and debug output; everything else goes to standard error.
void QuietMessages(QtMsgType type, const QMessageLogContext &context, const QString &message);

// vannerby-cli next to the benchmark, or in $VANNERBY_BIN.
QString CliPath();

// The middle value (the upper one of an even count).
double Median(std::vector<double> values);

// The process's peak resident memory in MiB since the start or the last ResetPeak (Linux).
double PeakMiB();
void ResetPeak();
