#include "subs_tool.h"

#include <QString>

#include <algorithm>

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

// No QCoreApplication: nothing here needs an event loop or plugins, and start-up stays short.
int main(int argc, char **argv)
{
    // A standard stream the caller closed gets /dev/null, read-only, before any file is opened:
    // a subtitle file would otherwise take its number and receive what is printed. Writes to it
    // still fail, and so decide the exit status.
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && ::open("/dev/null", O_RDONLY) != fd)
            return 2;
    }
    // A conversion allocates and frees a few buffers the size of the file; kept in the heap
    // rather than unmapped, a freed one serves the next without the kernel clearing new pages.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    const int status = zv::subs::run(args, stdout, stderr);
    return zv::subs::closeOutput(stdout, stderr) ? status : std::max(status, 2);
}
