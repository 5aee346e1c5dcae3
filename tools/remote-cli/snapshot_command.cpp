#include <cstdio>

#include "commands.h"

int RunSnapshot(const QStringList&) {
    std::fputs("kel-remote-cli: snapshot is not available yet\n", stderr);
    return 1;
}
