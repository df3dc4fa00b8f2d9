// The credits: a fixed timetable of labels and names shown between 20 and
// 48 seconds of music.
#include "app/demo.h"

const CreditEntry credits[] = {
    {0, 20, "credits:", 100, 110},
    {40, 60, "codering:", 100, 110},
    {60, 20, "mc knolraap", 150, 140},
    {80, 20, "zw4rt b0k", 150, 140},
    {120, 40, "plaatjes:", 100, 110},
    {140, 20, "tafelpoot", 150, 140},
    {180, 40, "muziekje:", 100, 110},
    {200, 20, "dj sloefhaan", 150, 140},
    {240, 40, "dierenimitaties:", 100, 110},
    {260, 20, "grintkuil", 150, 140},
    {-1, 0, nullptr, 0, 0},
};

void draw_credits(uint32_t* pixels, int t) {
    const int d = t / 100;  // tenths of a second of music
    for (const CreditEntry* entry = credits; entry->start >= 0; entry++) {
        const int from = entry->start + 200;  // the table counts from 20 s
        if (from <= d && d < from + entry->duration) draw_text(entry->x, entry->y - 30, entry->label, pixels);
    }
}
