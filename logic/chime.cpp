// The chime's WAVE image: a 1000 Hz note, a 667 Hz one (a fifth below), and
// a rest, each note rising at once and dying away evenly to nothing.
#include "chime.h"

// A sine at 15 degree steps, a quarter of it, on a scale where 32768 is 1:
// both notes fall on these steps (8 and 12 samples a period), so that each
// reaches its top exactly.
static const int32_t QUARTER_SINE[7] = { 0, 8481, 16384, 23170, 28378, 31651, 32768 };

static int32_t sineAt(unsigned step)  // step of 15 degrees
{
    step %= 24;
    int32_t value = QUARTER_SINE[step % 12 <= 6 ? step % 12 : 12 - step % 12];
    return step < 12 ? value : -value;
}

static const struct {
    unsigned samples;
    unsigned stepsPerSample;  // of 15 degrees: 3 for 1000 Hz, 2 for 667 Hz at 8000 a second
} NOTES[2] = { { 2800, 3 }, { 4000, 2 } };

int32_t chimeLoudest(int step)
{
    step = step < 1 ? 1 : step > CHIME_STEPS ? CHIME_STEPS : step;
    return step == CHIME_STEPS ? 32767 : 32768 >> (CHIME_STEPS - step);
}

static void put16(uint8_t* at, uint32_t value)
{
    at[0] = (uint8_t)value;
    at[1] = (uint8_t)(value >> 8);
}

static void put32(uint8_t* at, uint32_t value)
{
    put16(at, value);
    put16(at + 2, value >> 16);
}

static void putTag(uint8_t* at, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        at[i] = (uint8_t)tag[i];
}

size_t buildChime(uint8_t* image, size_t size, int step)
{
    if (size < CHIME_BYTES)
        return 0;
    const uint32_t data = 2 * CHIME_SAMPLES;
    putTag(image, "RIFF");
    put32(image + 4, CHIME_BYTES - 8);
    putTag(image + 8, "WAVE");
    putTag(image + 12, "fmt ");
    put32(image + 16, 16);
    put16(image + 20, 1);  // PCM
    put16(image + 22, 1);  // mono
    put32(image + 24, CHIME_RATE);
    put32(image + 28, 2 * CHIME_RATE);
    put16(image + 32, 2);
    put16(image + 34, 16);
    putTag(image + 36, "data");
    put32(image + 40, data);
    int32_t loudest = chimeLoudest(step);
    uint8_t* sample = image + CHIME_HEADER;
    unsigned written = 0;
    for (const auto& note : NOTES) {
        // A period at full height, then evenly down to nothing.
        unsigned period = 24 / note.stepsPerSample, fall = note.samples - period;
        for (unsigned n = 0; n < note.samples; ++n, ++written, sample += 2) {
            int32_t value = loudest * sineAt(n * note.stepsPerSample) / 32768;
            if (n >= period)
                value = value * (int32_t)(note.samples - n) / (int32_t)fall;
            put16(sample, (uint32_t)value);
        }
    }
    for (; written < CHIME_SAMPLES; ++written, sample += 2)
        put16(sample, 0);
    return CHIME_BYTES;
}
