#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaly::detail {

// Up to 64 consecutive positions starting at `base`; bit k of `mask` set when
// position base + k may begin a prefix.
struct CandidateChunk {
    const unsigned char* base;
    std::uint64_t mask;
};

// A filter may read this many bytes past the `end` it is given; the caller
// keeps them readable (zero bytes past the end of the file never make a
// candidate).
inline constexpr std::size_t kPrefilterSlack = 96;

// Finds the first chunk at or after `p` that holds a candidate position below
// `end`; its mask has no bit at or past `end`. Returns a zero mask when there
// is none. Every position where a prefix begins is a candidate; a candidate
// need not begin one (the caller verifies).
using NextChunkFn = CandidateChunk (*)(const unsigned char* p, const unsigned char* end);

// The fastest filter this processor runs (AVX2, else SSE2, else portable).
NextChunkFn BestPrefilter();

// Every filter this processor runs, portable first; for tests that compare them.
struct NamedPrefilter {
    const char* name;
    NextChunkFn next;
};
std::size_t AvailablePrefilters(NamedPrefilter (&out)[3]);

}  // namespace tessaly::detail
