#pragma once
// A QR code of a text drawn with block characters for a terminal, two
// module rows per line, with the quiet zone around it.

#include <QByteArray>
#include <QString>

// colours: set black on white with terminal escapes, so the code reads the
// same on dark and light terminals; without them dark modules are drawn as
// blocks. Empty when the text cannot be encoded.
QString QrText(const QByteArray& text, bool colours);
