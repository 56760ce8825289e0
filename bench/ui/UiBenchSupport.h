#pragma once

#include <QTemporaryDir>

#include <memory>

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

// Offscreen unless a platform is named; a fresh folder for the benchmark's
// files below $BENCH_DIR (or the temporary folder), kept until the end, with
// the settings store in it.
std::unique_ptr<QTemporaryDir> MakeBenchFolder(const QString &name);
