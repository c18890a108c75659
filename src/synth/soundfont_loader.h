#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct _fluid_hashtable_t;
struct _fluid_synth_t;

namespace tastarion {

// The General MIDI programs of the instruments, the piano's 0 first: FluidSynth
// falls back to it, and the drum kit (bank 128) has the same number.
const std::vector<int>& instrument_programs();

// Makes `synth` read each SoundFont 2 file it loads from then on as if the file
// held only the presets of the instruments (see SoundFontSubset), so that the
// tables of presets never played take neither memory nor load time. A file
// that cannot be cut so is read whole. Either way, the samples of an instrument
// chosen later are read through the descriptor the file was opened with, so
// they are found even once the file has been removed or replaced.
// Reads refused because a SoundFont changed on disk, is cut short or cannot be
// read, counted over the whole run; the last one's reason ("<path> is cut short").
uint64_t refused_sample_reads();
std::string last_refusal();

// Reads the sample data of `program`'s presets in every SoundFont loaded so
// far into memory, in place of what an earlier call read, so that choosing the
// instrument afterwards, under FluidSynth's lock, waits for no disk. Any thread.
void prefetch_samples(int program);
// Lets go of what prefetch_samples(program) read, once the synthesizer holds it.
void drop_prefetched_samples(int program);

// Why the file at `path` cannot be a SoundFont to load, as the end of a
// sentence that starts with its path (" is not a SoundFont", " is cut short",
// " cannot be read: ..."); empty when its header promises one.
std::string soundfont_problem(const std::string& path);

void load_only_instruments(_fluid_synth_t* synth, _fluid_hashtable_t* settings);

}  // namespace tastarion
