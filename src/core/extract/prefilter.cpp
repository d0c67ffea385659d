// Candidate filters for the contents scan. Each one looks at the first bytes
// of every position with bit 0x20 set (which lower-cases ASCII letters and
// leaves the prefixes' other bytes alike), so a position where a prefix begins
// in any case is always a candidate; the scanner then checks it exactly.
#include "core/extract/prefilter.h"

#include <array>

#include "core/extract/scanner.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define TESSALY_X86 1
#endif

namespace tessaly::detail {
namespace {

constexpr unsigned char Fold(unsigned char c) { return static_cast<unsigned char>(c | 0x20); }
constexpr unsigned char PrefixByte(std::string_view prefix, std::size_t i) {
    return Fold(static_cast<unsigned char>(prefix[i]));
}

// Folded first bytes that may begin a prefix.
constexpr std::array<bool, 256> kFirstByte = [] {
    std::array<bool, 256> t{};
    for (auto p : kContentPrefixes) t[PrefixByte(p, 0)] = true;
    return t;
}();

CandidateChunk NextChunkPortable(const unsigned char* p, const unsigned char* end) {
    for (; p < end; p += 64) {
        const std::size_t n = end - p < 64 ? static_cast<std::size_t>(end - p) : 64;
        std::uint64_t mask = 0;
        for (std::size_t k = 0; k < n; ++k) {
            if (kFirstByte[Fold(p[k])]) mask |= std::uint64_t{1} << k;
        }
        if (mask) return {p, mask};
    }
    return {end, 0};
}

#ifdef TESSALY_X86

std::uint64_t TrimToEnd(std::uint64_t mask, const unsigned char* p, const unsigned char* end) {
    return end - p < 64 ? mask & ((std::uint64_t{1} << (end - p)) - 1) : mask;
}

// The folded pairs of first bytes, as indexes into the distinct first and
// second bytes, so that each byte is compared once.
struct Pairs {
    std::array<unsigned char, kContentPrefixes.size()> first{}, second{};
    std::size_t firstCount = 0, secondCount = 0;
    std::array<std::array<std::size_t, 2>, kContentPrefixes.size()> pair{};
    std::size_t count = 0;
};
constexpr std::size_t IndexIn(std::array<unsigned char, kContentPrefixes.size()>& set,
                              std::size_t& count, unsigned char c) {
    for (std::size_t i = 0; i < count; ++i) {
        if (set[i] == c) return i;
    }
    set[count] = c;
    return count++;
}
constexpr Pairs kPairs = [] {
    Pairs s;
    for (auto p : kContentPrefixes) {
        const std::array<std::size_t, 2> pr{IndexIn(s.first, s.firstCount, PrefixByte(p, 0)),
                                            IndexIn(s.second, s.secondCount, PrefixByte(p, 1))};
        bool seen = false;
        for (std::size_t i = 0; i < s.count; ++i) seen = seen || s.pair[i] == pr;
        if (!seen) s.pair[s.count++] = pr;
    }
    return s;
}();

struct PairConstants {
    __m128i first[kContentPrefixes.size()];
    __m128i second[kContentPrefixes.size()];
};

// SSE2: every folded pair compared directly, 16 positions at a time.
inline std::uint32_t PairMask16(const unsigned char* p, const PairConstants& k) {
    const __m128i fold = _mm_set1_epi8(0x20);
    const __m128i b0 = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), fold);
    const __m128i b1 = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1)), fold);
    __m128i e0[kContentPrefixes.size()], e1[kContentPrefixes.size()];
#pragma GCC unroll 17
    for (std::size_t i = 0; i < kPairs.firstCount; ++i) e0[i] = _mm_cmpeq_epi8(b0, k.first[i]);
#pragma GCC unroll 17
    for (std::size_t i = 0; i < kPairs.secondCount; ++i) e1[i] = _mm_cmpeq_epi8(b1, k.second[i]);
    __m128i any = _mm_setzero_si128();
#pragma GCC unroll 17
    for (std::size_t i = 0; i < kPairs.count; ++i) {
        any = _mm_or_si128(any, _mm_and_si128(e0[kPairs.pair[i][0]], e1[kPairs.pair[i][1]]));
    }
    return static_cast<std::uint32_t>(_mm_movemask_epi8(any));
}

CandidateChunk NextChunkSse2(const unsigned char* p, const unsigned char* end) {
    PairConstants k;
    for (std::size_t i = 0; i < kPairs.firstCount; ++i) {
        k.first[i] = _mm_set1_epi8(static_cast<char>(kPairs.first[i]));
    }
    for (std::size_t i = 0; i < kPairs.secondCount; ++i) {
        k.second[i] = _mm_set1_epi8(static_cast<char>(kPairs.second[i]));
    }
    for (; p < end; p += 64) {
        const std::uint64_t mask =
            std::uint64_t{PairMask16(p, k)} | std::uint64_t{PairMask16(p + 16, k)} << 16 |
            std::uint64_t{PairMask16(p + 32, k)} << 32 | std::uint64_t{PairMask16(p + 48, k)} << 48;
        if (mask) {
            const std::uint64_t trimmed = TrimToEnd(mask, p, end);
            if (trimmed) return {p, trimmed};
        }
    }
    return {end, 0};
}

// AVX2: the first three folded bytes of every position classified by nibble
// lookups into eight buckets of two heads each (a head is the first three
// bytes of a prefix, or the whole prefix when shorter); a position is a
// candidate when one bucket accepts all three of its bytes.
constexpr std::size_t kHeadLength = 3;
struct NibbleTables {
    // [byte of the head][nibble]: bucket bits. `high` is indexed by the raw
    // high nibble and already folds it.
    std::array<std::array<unsigned char, 16>, kHeadLength> low{}, high{};
};
constexpr NibbleTables kNibbles = [] {
    std::array<std::string_view, kContentPrefixes.size()> heads{};
    std::size_t count = 0;
    for (auto p : kContentPrefixes) {
        const auto head = p.substr(0, kHeadLength);
        bool seen = false;
        for (std::size_t i = 0; i < count; ++i) seen = seen || heads[i] == head;
        if (!seen) heads[count++] = head;
    }
    NibbleTables t;
    for (std::size_t h = 0; h < count; ++h) {
        const auto bit = static_cast<unsigned char>(1u << (h * 8 / count));
        for (std::size_t i = 0; i < kHeadLength; ++i) {
            for (unsigned n = 0; n < 16; ++n) {
                // Past the end of a short head every byte is accepted.
                const bool anyByte = i >= heads[h].size();
                const unsigned char c = anyByte ? 0 : PrefixByte(heads[h], i);
                if (anyByte || (c & 0x0F) == n) t.low[i][n] |= bit;
                if (anyByte || (c >> 4) == (n | 2)) t.high[i][n] |= bit;
            }
        }
    }
    return t;
}();

__attribute__((target("avx2"))) inline __m256i Table(const std::array<unsigned char, 16>& t) {
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t.data())));
}

__attribute__((target("avx2"))) inline __m256i Classify(const unsigned char* p, __m256i low,
                                                        __m256i high) {
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i lo = _mm256_and_si256(v, nibble);
    const __m256i hi = _mm256_and_si256(_mm256_srli_epi16(v, 4), nibble);
    return _mm256_and_si256(_mm256_shuffle_epi8(low, lo), _mm256_shuffle_epi8(high, hi));
}

// Candidate bits of the 32 positions from q.
__attribute__((target("avx2"))) inline std::uint32_t Mask32(const unsigned char* q,
                                                            const __m256i (&t)[2 * kHeadLength]) {
    const __m256i buckets =
        _mm256_and_si256(_mm256_and_si256(Classify(q, t[0], t[1]), Classify(q + 1, t[2], t[3])),
                         Classify(q + 2, t[4], t[5]));
    return ~static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(buckets, _mm256_setzero_si256())));
}

__attribute__((target("avx2"))) CandidateChunk NextChunkAvx2(const unsigned char* p,
                                                             const unsigned char* end) {
    const __m256i t[2 * kHeadLength]{Table(kNibbles.low[0]), Table(kNibbles.high[0]),
                                     Table(kNibbles.low[1]), Table(kNibbles.high[1]),
                                     Table(kNibbles.low[2]), Table(kNibbles.high[2])};
    for (; p < end; p += 64) {
        const std::uint64_t mask = std::uint64_t{Mask32(p, t)} | std::uint64_t{Mask32(p + 32, t)}
                                                                     << 32;
        if (mask) {
            const std::uint64_t trimmed = TrimToEnd(mask, p, end);
            if (trimmed) return {p, trimmed};
        }
    }
    return {end, 0};
}

bool HasAvx2() { return __builtin_cpu_supports("avx2"); }

#endif  // TESSALY_X86

}  // namespace

NextChunkFn BestPrefilter() {
#ifdef TESSALY_X86
    static const NextChunkFn best = HasAvx2() ? &NextChunkAvx2 : &NextChunkSse2;
    return best;
#else
    return &NextChunkPortable;
#endif
}

std::size_t AvailablePrefilters(NamedPrefilter (&out)[3]) {
    std::size_t n = 0;
    out[n++] = {"portable", &NextChunkPortable};
#ifdef TESSALY_X86
    out[n++] = {"sse2", &NextChunkSse2};
    if (HasAvx2()) out[n++] = {"avx2", &NextChunkAvx2};
#endif
    return n;
}

}  // namespace tessaly::detail
