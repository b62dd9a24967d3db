#pragma once

#include <QStringList>

#include <cstdio>

namespace zv::subs {

// "sync FILM SUBS [-o OUT] [--to FORMAT] [--no-split] [--json]": times the subtitle file to the
// film's speech and writes the corrected copy. `args` follow the word "sync". Returns the exit
// status: 0 written, 2 bad use or a failed read or write, 3 refused (the reason on `err`).
int runSync(const QStringList &args, std::FILE *out, std::FILE *err);

} // namespace zv::subs
