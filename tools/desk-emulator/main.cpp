#include <cstdio>

#include "desk_emulator.h"

int main() {
    std::fputs("kel-desk-emulator: not implemented yet\n", stderr);
    return 1;
}
