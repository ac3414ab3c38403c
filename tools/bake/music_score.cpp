// The score of the show's music, scene by scene, in A minor at about
// 138 beats a minute (the finale a tone higher).
//
// The title is free in time: its pads breathe with the four pulsing title
// pictures and change chord while a picture is dark. From the first cut on,
// every scene is a whole number of beats: the beat clock runs from anchor to
// anchor (one per cut), so each section starts exactly on its cut and the
// tempo differs by less than one percent between sections. Scenes whose
// length is not a whole number of bars end with a short fill.
//
//   scene          seconds          beats  beats a minute
//   title            0.00 -  16.30      -  free, with the pictures' 4.19 s pulse
//   test.3ds        16.30 -  26.72     24  138.2 (the flash on beat 12)
//   env.3ds         26.72 -  43.34     38  137.2
//   add.3ds         43.34 -  54.56     26  139.0 (half time)
//   blue.3ds        54.56 -  85.58     72  139.3 (the theme)
//   lo.3ds          85.58 -  96.38     25  138.9 (acid)
//   ting.3ds        96.38 - 115.88     45  138.5 (breakdown)
//   cyl.3ds        115.88 - 143.88     64  137.1
//   snurr.3ds      143.88 - 178.28     80  139.5 (finale, B minor)
//   after the show 178.28 - 190.00     27  138.2 (the last chord rings out)
//
// The cuts are the scenes' own end times (scenes/timing.h), so a section
// starts exactly where the show would cut were loading instant.
#include "tools/bake/music.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace bake {

namespace {

using synth::Mix;
using synth::Route;

const double pi = 3.14159265358979323846;

// Beat clock: the beat at which each scene starts, and the end of the piece.
const double anchorBeats[10] = {0, 24, 62, 88, 160, 185, 230, 294, 374, 401};
const double anchorSeconds[10] = {sceneCutSeconds[0], sceneCutSeconds[1], sceneCutSeconds[2],
    sceneCutSeconds[3], sceneCutSeconds[4], sceneCutSeconds[5], sceneCutSeconds[6], sceneCutSeconds[7],
    sceneCutSeconds[8], musicSeconds};

const double testBeat = 0, envBeat = 24, addBeat = 62, blueBeat = 88, loBeat = 160, tingBeat = 185,
             cylBeat = 230, snurrBeat = 294, outroBeat = 374;

// The time in seconds of a beat; beats before the first anchor keep the
// first section's tempo.
double at(double beat)
{
    int segment = 0;
    while (segment < 8 && beat >= anchorBeats[segment + 1])
        segment++;
    double span = anchorBeats[segment + 1] - anchorBeats[segment];
    double x = (beat - anchorBeats[segment]) / span;
    return anchorSeconds[segment] + x * (anchorSeconds[segment + 1] - anchorSeconds[segment]);
}

double lengthOf(double fromBeat, double beats)
{
    return at(fromBeat + beats) - at(fromBeat);
}

float lerp(float from, float to, double x)
{
    return float(from + (to - from) * x);
}

// A chord: its bass root and four tones around middle C.
struct Chord {
    int bass;
    int tones[4];
};

Chord transpose(const Chord& chord, int semitones)
{
    Chord moved = chord;
    moved.bass += semitones;
    for (int& tone : moved.tones)
        tone += semitones;
    return moved;
}

const Chord Am{33, {57, 60, 64, 67}};
const Chord F{29, {53, 57, 60, 64}};
const Chord C{36, {55, 60, 64, 67}};
const Chord G{31, {55, 59, 62, 67}};
const Chord Dm{38, {53, 57, 60, 62}};
const Chord Em9{28, {52, 55, 59, 66}};
const Chord Am9{33, {57, 60, 64, 71}};
const Chord Fmaj9{29, {53, 57, 64, 67}};
const Chord Dm9{38, {50, 53, 57, 64}};
const Chord Esus{28, {52, 57, 59, 64}};
const Chord E{28, {52, 56, 59, 64}};

// Chords one per bar, from a beat; the last one may be cut short.
struct Progression {
    std::vector<Chord> bars;
    double from;
    double to;
};

const Chord& chordAt(const Progression& p, double beat)
{
    size_t bar = size_t((beat - p.from) / 4.0);
    return p.bars[std::min(bar, p.bars.size() - 1)];
}

// --- routes -----------------------------------------------------------------

Route route(float gain, float pan, float reverb, float delay, bool pumped)
{
    Route r;
    r.gain = gain;
    r.pan = pan;
    r.reverb = reverb;
    r.delay = delay;
    r.pumped = pumped;
    return r;
}

// --- drums ------------------------------------------------------------------

enum class Drum { Kick, Snare, Clap, ClosedHat, OpenHat };

void playDrum(Mix& mix, Drum drum, double time, float velocity)
{
    switch (drum) {
    case Drum::Kick: synth::playKick(mix, time, 0.6f * velocity, 0.6f * std::min(1.0f, velocity)); break;
    case Drum::Snare: synth::playSnare(mix, time, 0.45f * velocity); break;
    case Drum::Clap: synth::playClap(mix, time, 0.6f * velocity); break;
    case Drum::ClosedHat: synth::playHat(mix, time, 0.3f * velocity, false); break;
    case Drum::OpenHat: synth::playHat(mix, time, 0.22f * velocity, true); break;
    }
}

// Plays a pattern of sixteenth steps ('x' full, 'o' soft, '.' rest), repeated
// from one beat to another, its level moving from levelFrom to levelTo.
void drums(Mix& mix, Drum drum, const char* steps, double from, double to, float levelFrom = 1.0f,
    float levelTo = -1.0f)
{
    if (levelTo < 0.0f)
        levelTo = levelFrom;
    size_t count = std::strlen(steps);
    synth::Noise humanise = synth::makeNoise(uint32_t(from * 16.0) + uint32_t(drum) * 977u);
    for (int step = 0; from + step * 0.25 < to - 1e-9; step++) {
        char c = steps[size_t(step) % count];
        float wobble = 1.0f + 0.08f * humanise.next();
        if (c == '.')
            continue;
        double beat = from + step * 0.25;
        float level = lerp(levelFrom, levelTo, (beat - from) / (to - from));
        if (drum == Drum::ClosedHat || drum == Drum::OpenHat)
            level *= wobble;
        playDrum(mix, drum, at(beat), c == 'x' ? level : 0.55f * level);
    }
}

// A snare roll: `perBeat` hits a beat, growing louder.
void roll(Mix& mix, double from, double to, int perBeat, float levelFrom, float levelTo)
{
    int hits = int(std::lround((to - from) * perBeat));
    for (int i = 0; i < hits; i++) {
        double beat = from + double(i) / perBeat;
        playDrum(mix, Drum::Snare, at(beat), lerp(levelFrom, levelTo, double(i) / hits));
    }
}

// --- pitched parts ------------------------------------------------------------

synth::PadSound padSound(float cutoffStart, float cutoffEnd, float attack, float release)
{
    synth::PadSound sound;
    sound.cutoffStart = cutoffStart;
    sound.cutoffEnd = cutoffEnd;
    sound.attack = attack;
    sound.release = release;
    return sound;
}

// The chord's four tones held by the pad, from time (seconds) for length.
void padChord(
    Mix& mix, const Route& r, double time, double length, const Chord& chord, const synth::PadSound& sound)
{
    for (int tone : chord.tones)
        synth::playPad(mix, r, time, length, tone, sound);
}

// Each bar's chord held by the pad.
void pads(Mix& mix, const Progression& p, float level, float cutoffFrom, float cutoffTo)
{
    Route r = route(level, 0.0f, 0.35f, 0.05f, true);
    for (double beat = p.from; beat < p.to - 1e-9; beat += 4.0) {
        double end = std::min(beat + 4.0, p.to);
        double x0 = (beat - p.from) / (p.to - p.from);
        double x1 = (end - p.from) / (p.to - p.from);
        padChord(mix, r, at(beat), lengthOf(beat, end - beat), chordAt(p, beat),
            padSound(lerp(cutoffFrom, cutoffTo, x0), lerp(cutoffFrom, cutoffTo, x1), 0.08f, 0.5f));
    }
}

// A bass line of sixteenth steps: 'x' the root, 'o' the root an octave up,
// '-' holds the previous note, '.' rest.
void bass(Mix& mix, const Progression& p, const char* steps, float level, float cutoffFrom, float cutoffTo)
{
    Route r = route(level, 0.0f, 0.0f, 0.0f, true);
    size_t count = std::strlen(steps);
    int total = int(std::lround((p.to - p.from) * 4.0));
    for (int step = 0; step < total; step++) {
        char c = steps[size_t(step) % count];
        if (c != 'x' && c != 'o')
            continue;
        int length = 1;
        while (step + length < total && steps[size_t(step + length) % count] == '-')
            length++;
        double beat = p.from + step * 0.25;
        const Chord& chord = chordAt(p, beat);
        float cutoff = lerp(cutoffFrom, cutoffTo, (beat - p.from) / (p.to - p.from));
        synth::playBass(mix, r, at(beat), lengthOf(beat, length * 0.25) * 0.85,
            chord.bass + (c == 'o' ? 24 : 12), cutoff);
    }
}

// The chord's tones in rising order over two octaves, from an octave up.
int arpTone(const Chord& chord, int index)
{
    return chord.tones[index % 4] + 12 * (1 + index / 4);
}

// Plucked arpeggio: `order` walks the chord's tones, one step per `stepBeats`.
void arpeggio(Mix& mix, const Progression& p, const std::vector<int>& order, double stepBeats, float level,
    float brightFrom, float brightTo)
{
    int total = int(std::lround((p.to - p.from) / stepBeats));
    for (int step = 0; step < total; step++) {
        double beat = p.from + step * stepBeats;
        const Chord& chord = chordAt(p, beat);
        float pan = (step % 2 == 0) ? -0.35f : 0.35f;
        float bright = lerp(brightFrom, brightTo, (beat - p.from) / (p.to - p.from));
        int tone = arpTone(chord, order[size_t(step) % order.size()]);
        synth::playPluck(
            mix, route(level, pan, 0.25f, 0.35f, true), at(beat), lengthOf(beat, stepBeats), tone, bright);
    }
}

// Bells walking the chord's tones, one step per `stepBeats`.
void bells(Mix& mix, const Progression& p, const std::vector<int>& order, double stepBeats, float level)
{
    int total = int(std::lround((p.to - p.from) / stepBeats));
    for (int step = 0; step < total; step++) {
        double beat = p.from + step * stepBeats;
        int index = order[size_t(step) % order.size()];
        if (index < 0)
            continue;
        float pan = float(step % 3 - 1) * 0.4f;
        int tone = arpTone(chordAt(p, beat), index);
        synth::playBell(mix, route(level, pan, 0.45f, 0.45f, false), at(beat), tone);
    }
}

// A long sine root per chord.
void subs(Mix& mix, const Progression& p, float level)
{
    for (double beat = p.from; beat < p.to - 1e-9; beat += 4.0) {
        double end = std::min(beat + 4.0, p.to);
        synth::playSub(mix, route(level, 0.0f, 0.0f, 0.0f, true), at(beat), lengthOf(beat, end - beat),
            chordAt(p, beat).bass + 12);
    }
}

struct Note {
    double beat;
    double length;
    int midi;
};

// The main theme over Am F C G Am F C G, in beats from its first bar.
const std::vector<Note> theme = {
    {0, 0.75, 69},
    {0.75, 0.75, 72},
    {1.5, 1.0, 76},
    {2.5, 0.5, 74},
    {3, 1, 72},
    {4, 0.75, 69},
    {4.75, 0.75, 72},
    {5.5, 1.5, 77},
    {7, 1, 76},
    {8, 0.75, 76},
    {8.75, 0.75, 79},
    {9.5, 1.0, 84},
    {10.5, 0.5, 83},
    {11, 1, 79},
    {12, 0.75, 74},
    {12.75, 0.75, 79},
    {13.5, 1.5, 83},
    {15, 0.5, 81},
    {15.5, 0.5, 79},
    {16, 1.5, 81},
    {17.5, 0.5, 76},
    {18, 0.5, 81},
    {18.5, 0.5, 83},
    {19, 1, 84},
    {20, 1.5, 81},
    {21.5, 0.5, 77},
    {22, 0.75, 84},
    {22.75, 0.75, 81},
    {23.5, 0.5, 77},
    {24, 1.5, 79},
    {25.5, 0.5, 76},
    {26, 0.5, 79},
    {26.5, 0.5, 84},
    {27, 1, 88},
    {28, 1.5, 86},
    {29.5, 0.5, 83},
    {30, 2, 79},
};

// The slower counter-melody of the tube scene, over Dm F Am G twice.
const std::vector<Note> counterTheme = {
    {0, 3, 81},
    {3, 1, 79},
    {4, 2, 77},
    {6, 1, 76},
    {7, 1, 77},
    {8, 3, 76},
    {11, 1, 72},
    {12, 2, 74},
    {14, 2, 71},
    {16, 2, 81},
    {18, 1, 84},
    {19, 1, 81},
    {20, 3, 77},
    {23, 1, 81},
    {24, 1.5, 76},
    {25.5, 2.5, 81},
    {28, 2, 83},
    {30, 2, 86},
};

// Plays the notes whose beats lie in [fromNote, toNote) of a melody, shifted
// so that beat fromNote falls on `start`.
void melody(Mix& mix, const std::vector<Note>& notes, double start, double fromNote, double toNote,
    int transposeBy, float level, float cutoff)
{
    for (const Note& note : notes) {
        if (note.beat < fromNote || note.beat >= toNote)
            continue;
        double beat = start + note.beat - fromNote;
        synth::playLead(mix, route(level, 0.0f, 0.3f, 0.25f, false), at(beat),
            lengthOf(beat, note.length) * 0.92, note.midi + transposeBy, cutoff);
    }
}

// --- the title ------------------------------------------------------------------

// The brightness of the pulsing title pictures, 0..1: the pads breathe with it.
float titleBreath(double time)
{
    return float(std::sin(1.5 * time) * 0.5 + 0.5);
}

void title(Mix& mix)
{
    // One chord per picture, changing while the pictures are nearly dark.
    const double switches[5] = {0.0, 3.23, 7.43, 11.21, at(testBeat)};
    const Chord chords[4] = {Am9, Fmaj9, Dm9, Esus};
    const int bellFigures[4][3] = {{76, 81, 83}, {72, 76, 79}, {74, 77, 81}, {71, 76, 83}};
    synth::PadSound sound = padSound(2400.0f, 2400.0f, 1.0f, 1.4f);
    sound.breath = titleBreath;
    for (int c = 0; c < 4; c++) {
        double length = switches[c + 1] - switches[c];
        padChord(mix, route(0.5f, 0.0f, 0.45f, 0.05f, false), switches[c], length, chords[c], sound);
        synth::playSub(mix, route(0.22f, 0.0f, 0.0f, 0.0f, false), switches[c], length, chords[c].bass + 12);
        // A bell figure centred on the picture's brightest moment.
        double peak = (pi / 2.0 + 2.0 * pi * c) / 1.5;
        for (int n = 0; n < 3; n++) {
            synth::playBell(mix, route(0.32f, -0.3f + 0.3f * n, 0.5f, 0.45f, false), peak - 0.25 + 0.22 * n,
                bellFigures[c][n]);
        }
    }
    // The black pause breathes in towards the first beat.
    synth::playRiser(mix, at(testBeat) - 2.2, 2.2, 0.3f);
}

// --- the scenes -----------------------------------------------------------------

const char* const kickFour = "x...x...x...x...";
const char* const clapTwoFour = "....x.......x...";
const char* const hatsClosed = "oo.ooo.ooo.ooo.o";
const char* const hatsOpen = "..x...x...x...x.";
const char* const bassRolling = ".xxx";
const char* const bassOffbeat = "..x...o...x...o.";
const std::vector<int> arpUp = {0, 1, 2, 3, 4, 3, 2, 1, 0, 2, 1, 3, 2, 4, 3, 1};
const std::vector<int> arpTube = {0, 2, 4, 2, 1, 3, 5, 3, 2, 4, 6, 4, 3, 5, 7, 5};

// The fade from black: the groove gathers for twelve beats, then the flash.
void testScene(Mix& mix)
{
    const double flash = testBeat + 12;
    synth::playImpact(mix, at(testBeat), 0.4f);
    drums(mix, Drum::Kick, kickFour, testBeat, flash, 0.35f, 0.9f);
    drums(mix, Drum::ClosedHat, hatsClosed, testBeat + 4, flash, 0.2f, 0.8f);
    synth::playRiser(mix, at(testBeat + 4), lengthOf(testBeat + 4, 8), 0.4f);
    roll(mix, testBeat + 8, testBeat + 10, 2, 0.15f, 0.3f);
    roll(mix, testBeat + 10, flash, 4, 0.3f, 0.6f);
    Progression build{{Am, Am, Am}, testBeat, flash};
    bass(mix, build, bassRolling, 0.45f, 150.0f, 900.0f);
    padChord(mix, route(0.3f, 0.0f, 0.35f, 0.05f, true), at(testBeat), lengthOf(testBeat, 12), Am,
        padSound(500.0f, 2800.0f, 1.0f, 0.4f));

    synth::playCrash(mix, at(flash), 1.0f);
    synth::playImpact(mix, at(flash), 0.5f);
    const double end = envBeat;
    drums(mix, Drum::Kick, kickFour, flash, end);
    drums(mix, Drum::Clap, clapTwoFour, flash, end);
    drums(mix, Drum::ClosedHat, hatsClosed, flash, end);
    drums(mix, Drum::OpenHat, hatsOpen, flash, end);
    Progression groove{{Am, F, G}, flash, end};
    bass(mix, groove, bassRolling, 0.45f, 900.0f, 1000.0f);
    pads(mix, groove, 0.38f, 2400.0f, 2600.0f);
}

// The model circling before its backdrop: the groove with the arpeggio.
void envScene(Mix& mix)
{
    const double fill = addBeat - 2;
    Progression p{{Am, F, C, G, Am, F, C, G, Am, G}, envBeat, addBeat};
    Progression groove{p.bars, envBeat, fill};
    drums(mix, Drum::Kick, kickFour, envBeat, fill);
    drums(mix, Drum::Clap, clapTwoFour, envBeat, fill);
    drums(mix, Drum::ClosedHat, hatsClosed, envBeat, addBeat);
    drums(mix, Drum::OpenHat, hatsOpen, envBeat + 16, fill);
    roll(mix, fill, addBeat, 4, 0.3f, 0.7f);
    bass(mix, groove, bassRolling, 0.45f, 1000.0f, 1100.0f);
    pads(mix, p, 0.32f, 2000.0f, 2600.0f);
    arpeggio(mix, p, arpUp, 0.25, 0.42f, 0.3f, 0.8f);
}

// The painterly grey scene: half time, open chords, bells.
void addScene(Mix& mix)
{
    Progression p{{Dm, F, Am, G, Dm, F, E}, addBeat, blueBeat};
    synth::playCrash(mix, at(addBeat), 0.8f);
    drums(mix, Drum::Kick, "x.........x.....", addBeat, blueBeat - 2);
    drums(mix, Drum::Snare, "........x.......", addBeat, blueBeat - 2, 0.9f);
    drums(mix, Drum::ClosedHat, "x.o.x.o.x.o.x.o.", addBeat, blueBeat, 0.8f);
    roll(mix, blueBeat - 2, blueBeat, 4, 0.3f, 0.75f);
    synth::playRiser(mix, at(blueBeat - 8), lengthOf(blueBeat - 8, 8), 0.35f);
    bass(mix, p, "x-------x-------", 0.4f, 500.0f, 800.0f);
    pads(mix, p, 0.43f, 3000.0f, 3000.0f);
    bells(mix, p, {0, 2, 1, 3, 2, 4, -1, 3}, 0.5, 0.2f);
}

// The chrome blob: the main theme over the full groove.
void blueScene(Mix& mix)
{
    const double build = blueBeat + 64;
    Progression p{{Am, F, C, G, Am, F, C, G, Am, F, C, G, Am, F, C, G}, blueBeat, build};
    synth::playCrash(mix, at(blueBeat), 1.0f);
    synth::playImpact(mix, at(blueBeat), 0.4f);
    synth::playCrash(mix, at(blueBeat + 32), 0.8f);
    drums(mix, Drum::Kick, kickFour, blueBeat, build);
    drums(mix, Drum::Clap, clapTwoFour, blueBeat, build);
    drums(mix, Drum::ClosedHat, hatsClosed, blueBeat, build);
    drums(mix, Drum::OpenHat, hatsOpen, blueBeat, build);
    bass(mix, p, bassRolling, 0.45f, 1100.0f, 1300.0f);
    pads(mix, p, 0.3f, 2600.0f, 3200.0f);
    arpeggio(mix, p, arpUp, 0.25, 0.34f, 0.6f, 0.9f);
    melody(mix, theme, blueBeat, 0, 32, 0, 0.7f, 4500.0f);
    melody(mix, theme, blueBeat + 32, 0, 32, 0, 0.63f, 5000.0f);
    melody(mix, theme, blueBeat + 32, 0, 32, 12, 0.28f, 5000.0f);

    // Two bars that wind up into the acid scene.
    Progression wind{{F, G}, build, loBeat};
    drums(mix, Drum::Kick, kickFour, build, loBeat, 0.8f, 1.0f);
    drums(mix, Drum::ClosedHat, "xxxx", build, loBeat, 0.3f, 0.9f);
    roll(mix, build, build + 4, 2, 0.2f, 0.4f);
    roll(mix, build + 4, loBeat, 4, 0.4f, 0.8f);
    synth::playRiser(mix, at(build), lengthOf(build, 8), 0.45f);
    bass(mix, wind, bassRolling, 0.45f, 1300.0f, 400.0f);
    pads(mix, wind, 0.3f, 3200.0f, 1200.0f);
}

// The red scene: a squelching acid line over a harder beat.
void loScene(Mix& mix)
{
    const int line[16] = {0, 0, 12, 0, 3, -1, 15, 12, 0, 7, -1, 12, 10, 0, 3, 5};
    const bool accents[16] = {true, false, true, false, false, false, true, false, true, false, false, true,
        false, false, true, false};
    const double end = tingBeat - 1;
    synth::playCrash(mix, at(loBeat), 1.0f);
    synth::playImpact(mix, at(loBeat), 0.5f);
    drums(mix, Drum::Kick, kickFour, loBeat, end);
    drums(mix, Drum::Clap, clapTwoFour, loBeat, end);
    drums(mix, Drum::ClosedHat, "xoxo", loBeat, end, 0.9f);
    drums(mix, Drum::OpenHat, hatsOpen, loBeat + 8, end);
    int steps = int(std::lround((tingBeat - loBeat) * 4));
    for (int step = 0; step < steps; step++) {
        int semitones = line[step % 16];
        if (semitones < 0)
            continue;
        double beat = loBeat + step * 0.25;
        float cutoff = lerp(280.0f, 1500.0f, (beat - loBeat) / (tingBeat - loBeat));
        synth::playAcid(mix, route(0.5f, 0.0f, 0.05f, 0.12f, true), at(beat), lengthOf(beat, 0.25) * 0.8,
            45 + semitones, cutoff, accents[step % 16]);
    }
    Progression root{{Am}, loBeat, end};
    bass(mix, root, "x...x...x...x...", 0.3f, 300.0f, 300.0f);
    synth::playRiser(mix, at(end - 3), lengthOf(end - 3, 4), 0.4f);
}

// The trails in blue fog: a breakdown of pads, bells and a deep sub.
void tingScene(Mix& mix)
{
    Progression p{{F, F, G, G, Em9, Em9, Am9, Am9, F, G, G, G}, tingBeat, cylBeat};
    synth::playImpact(mix, at(tingBeat), 0.5f);
    synth::playCrash(mix, at(tingBeat), 0.7f);
    pads(mix, p, 0.54f, 1400.0f, 3400.0f);
    subs(mix, p, 0.35f);
    bells(mix, p, {0, 2, 4, 3, 5, 4, 2, 1}, 0.5, 0.2f);
    drums(mix, Drum::ClosedHat, "..x.", tingBeat + 16, cylBeat, 0.3f, 0.7f);
    drums(mix, Drum::Kick, kickFour, tingBeat + 32, cylBeat - 1, 0.3f, 0.7f);
    synth::playRiser(mix, at(tingBeat + 32), lengthOf(tingBeat + 32, cylBeat - tingBeat - 32), 0.45f);
    roll(mix, cylBeat - 5, cylBeat - 3, 2, 0.2f, 0.35f);
    roll(mix, cylBeat - 3, cylBeat, 4, 0.35f, 0.8f);
}

// The tube with the red halo: the groove returns with a new arpeggio.
void cylScene(Mix& mix)
{
    const double fill = snurrBeat - 2;
    std::vector<Chord> bars;
    for (int i = 0; i < 4; i++)
        bars.insert(bars.end(), {Dm, F, Am, G});
    Progression p{bars, cylBeat, snurrBeat};
    Progression groove{bars, cylBeat, fill};
    synth::playCrash(mix, at(cylBeat), 1.0f);
    synth::playImpact(mix, at(cylBeat), 0.45f);
    synth::playCrash(mix, at(cylBeat + 32), 0.8f);
    drums(mix, Drum::Kick, kickFour, cylBeat, fill);
    drums(mix, Drum::Clap, clapTwoFour, cylBeat, fill);
    drums(mix, Drum::ClosedHat, hatsClosed, cylBeat, snurrBeat);
    drums(mix, Drum::OpenHat, hatsOpen, cylBeat + 16, fill);
    roll(mix, fill - 2, fill, 2, 0.2f, 0.35f);
    roll(mix, fill, snurrBeat, 4, 0.35f, 0.85f);
    synth::playRiser(mix, at(snurrBeat - 8), lengthOf(snurrBeat - 8, 8), 0.45f);
    bass(mix, groove, bassOffbeat, 0.5f, 1000.0f, 1300.0f);
    pads(mix, p, 0.3f, 2200.0f, 3000.0f);
    arpeggio(mix, p, arpTube, 0.25, 0.36f, 0.4f, 0.9f);
    melody(mix, counterTheme, cylBeat + 32, 0, 32, 0, 0.63f, 4200.0f);
}

// The flight through white fog, a tone higher: everything at once.
void snurrScene(Mix& mix)
{
    std::vector<Chord> bars;
    for (int i = 0; i < 5; i++) {
        for (const Chord& chord : {Am, F, C, G})
            bars.push_back(transpose(chord, 2));
    }
    Progression p{bars, snurrBeat, outroBeat};
    for (double crash : {snurrBeat, snurrBeat + 32, snurrBeat + 64})
        synth::playCrash(mix, at(crash), 1.0f);
    synth::playImpact(mix, at(snurrBeat), 0.5f);
    drums(mix, Drum::Kick, kickFour, snurrBeat, outroBeat);
    drums(mix, Drum::Clap, clapTwoFour, snurrBeat, outroBeat);
    drums(mix, Drum::ClosedHat, hatsClosed, snurrBeat, outroBeat);
    drums(mix, Drum::OpenHat, hatsOpen, snurrBeat, outroBeat);
    roll(mix, outroBeat - 4, outroBeat, 4, 0.3f, 0.9f);
    bass(mix, p, bassRolling, 0.45f, 1200.0f, 1500.0f);
    pads(mix, p, 0.32f, 2800.0f, 3600.0f);
    arpeggio(mix, p, arpUp, 0.25, 0.34f, 0.8f, 1.0f);
    melody(mix, theme, snurrBeat, 0, 32, 2, 0.7f, 5000.0f);
    melody(mix, theme, snurrBeat + 32, 0, 32, 2, 0.63f, 5200.0f);
    melody(mix, theme, snurrBeat + 32, 0, 32, 14, 0.28f, 5200.0f);
    melody(mix, theme, snurrBeat + 64, 16, 32, 2, 0.63f, 5400.0f);
    melody(mix, theme, snurrBeat + 64, 16, 32, 14, 0.31f, 5400.0f);
}

// The show has ended: one last chord rings out with the title's bells.
void outro(Mix& mix)
{
    const Chord Bm9{35, {59, 62, 66, 73}};
    double start = at(outroBeat);
    double length = musicSeconds - start - 2.0;
    synth::playCrash(mix, start, 1.0f);
    synth::playImpact(mix, start, 0.6f);
    playDrum(mix, Drum::Kick, start, 1.0f);
    padChord(mix, route(0.4f, 0.0f, 0.45f, 0.1f, false), start, length, Bm9,
        padSound(3200.0f, 700.0f, 0.02f, 3.0f));
    synth::playSub(mix, route(0.3f, 0.0f, 0.0f, 0.0f, false), start, length, Bm9.bass + 12);
    const int figure[3] = {78, 83, 85};
    for (int repeat = 0; repeat < 2; repeat++) {
        for (int n = 0; n < 3; n++) {
            double time = start + 1.5 + 4.2 * repeat + 0.22 * n;
            synth::playBell(
                mix, route(0.28f - 0.08f * repeat, -0.3f + 0.3f * n, 0.5f, 0.45f, false), time, figure[n]);
        }
    }
}

}  // namespace

void writeScore(Mix& mix)
{
    title(mix);
    testScene(mix);
    envScene(mix);
    addScene(mix);
    blueScene(mix);
    loScene(mix);
    tingScene(mix);
    cylScene(mix);
    snurrScene(mix);
    outro(mix);
}

}  // namespace bake
