#pragma once

#include <QStringList>

#include <cstdio>

namespace zv::subs {

// Runs the tool on its arguments (without the program name); returns the exit status.
// `out` gets reports and converted text for "-o -", `err` the messages.
int run(const QStringList &args, std::FILE *out, std::FILE *err);

// Closes `out` after a run, the last write to it; false (said on `err`) when that fails.
bool closeOutput(std::FILE *out, std::FILE *err);

} // namespace zv::subs
