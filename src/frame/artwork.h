#pragma once
// The station's embedded artwork (skin, button faces, bar images, icons).
// Safe to call any number of times; the widgets call it before loading.
void EnsureArtwork();
