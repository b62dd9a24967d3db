#include "subs_tool.h"

#include <QString>

#include <malloc.h>

// No QCoreApplication: nothing here needs an event loop or plugins, and start-up stays short.
int main(int argc, char **argv)
{
    // A conversion allocates and frees a few buffers the size of the file; kept in the heap
    // rather than unmapped, a freed one serves the next without the kernel clearing new pages.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    return zv::subs::run(args, stdout, stderr);
}
