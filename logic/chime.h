// The morning's own tone: a two-note chime, made as a WAVE image in memory
// (16-bit mono PCM) for the player's process to play in a loop. Pure: the
// bytes follow from the loudness alone.
#ifndef NIGHTFOLD_CHIME_H
#define NIGHTFOLD_CHIME_H

#include <stddef.h>
#include <stdint.h>

#define CHIME_RATE 8000      // samples a second
#define CHIME_SAMPLES 9600   // 1.2 s: the high note, the low one, a rest
#define CHIME_HEADER 44
#define CHIME_BYTES (CHIME_HEADER + 2 * CHIME_SAMPLES)
#define CHIME_STEPS 4        // the loudness steps, softest first

// The loudest sample of the chime at step (1 to CHIME_STEPS; outside, the
// nearest), each step twice the one before, the last the scale's top.
int32_t chimeLoudest(int step);

// Writes the whole WAVE image at step into image; its size in bytes, or 0
// where size is less than CHIME_BYTES.
size_t buildChime(uint8_t* image, size_t size, int step);

#endif
