#pragma once
// Millisecond tick count: a steady clock as unsigned 32-bit, wrapping after
// about 49.7 days. Tests replace the source to step time without sleeping.

#include <cstdint>

uint32_t GetTickCount();

using TickSource = uint32_t (*)();
// Replaces the clock; nullptr restores the steady clock. Call it before the
// threads that read the clock are started.
void SetTickSource(TickSource source);

// Changes whenever the source is replaced, so readers that widen the tick
// count can start afresh.
uint32_t TickSourceGeneration();
