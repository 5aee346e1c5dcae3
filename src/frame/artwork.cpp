#include "frame/artwork.h"

#include <QtGlobal>

// The resource file is compiled into the kelui library, whose objects the
// linker would otherwise leave out of a program that never names them.
static void InitArtworkResources() {
    Q_INIT_RESOURCE(kel);
}

void EnsureArtwork() {
    static const bool done = (InitArtworkResources(), true);
    (void)done;
}
