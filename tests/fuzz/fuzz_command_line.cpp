// The command line. The input, cut at NUL bytes, is the argument list. Properties: the
// parameters are the arguments up to the first empty one; the file list has one path per
// parameter (a line break inside one never splits it).

#include "core/app/command_line.h"
#include "fuzz/fuzz_support.h"

using namespace zv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 8192)
        return 0;
    QStringList args;
    for (const QByteArray &part : fuzz::bytesOf(data, size).split('\0'))
        args << QString::fromUtf8(part);
    const CommandLine cmd = parseCommandLine(args);
    const qsizetype firstEmpty = args.indexOf(QString());
    ZV_FUZZ_CHECK(cmd.params == (firstEmpty < 0 ? args : args.first(firstEmpty)), args.join(u'|'),
                  cmd.params.join(u'|'));
    const QStringList files = ParamFilesToList(cmd.params);
    ZV_FUZZ_CHECK(files.size() == cmd.params.size(), cmd.params.join(u'|'), files.join(u'|'));
    for (const QString &p : cmd.params)
        LongPathOf(p);
    return 0;
}
