#include "subs_tool.h"

#include <QString>

// No QCoreApplication: nothing here needs an event loop or plugins, and start-up stays short.
int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    return zv::subs::run(args, stdout, stderr);
}
