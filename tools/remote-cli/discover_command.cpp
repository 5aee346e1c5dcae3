#include <cstdio>

#include "commands.h"

int RunDiscover(const QStringList&) {
    std::fputs("kel-remote-cli: discover is not available yet\n", stderr);
    return 1;
}
