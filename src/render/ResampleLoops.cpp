// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/ResampleLoops.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QUILLO_RESAMPLE_X86 1
#define QUILLO_AVX2 __attribute__((target("avx2")))
#endif

namespace quillo::resample_detail {

namespace {

// Below this many multiply-adds a pass is not worth a thread.
constexpr std::int64_t kWorkPerThread = std::int64_t(1) << 20;
// Units of work handed to threads: source rows in the horizontal pass, bytes of
// target columns (a multiple of 32) in the vertical pass.
constexpr int kRowsPerRun = 16;
constexpr std::size_t kStripBytes = 1536;

int PartsFor(std::int64_t work, int units, int threads)
{
    const std::int64_t byWork = std::max<std::int64_t>(1, work / kWorkPerThread);
    return static_cast<int>(std::clamp<std::int64_t>(std::min<std::int64_t>(byWork, units), 1, threads));
}

// Storage for vector loads: 64-byte aligned, uninitialised until written.
template <class T>
class TAlignedArray {
public:
    explicit TAlignedArray(std::size_t count = 0)
        : raw_(new std::uint8_t[count * sizeof(T) + 64]),
          data_(reinterpret_cast<T *>((reinterpret_cast<std::uintptr_t>(raw_.get()) + 63) & ~std::uintptr_t(63)))
    {
    }
    T *data() { return data_; }
    const T *data() const { return data_; }

private:
    std::unique_ptr<std::uint8_t[]> raw_;
    T *data_;
};

// ---------------------------------------------------------------------------
// Horizontal pass. Each target pixel reads a contiguous run of `Taps` source
// pixels from Start; weights of pixels that reflection brought in twice are
// merged, and positions without a contributor weigh 0. In 32-bit wrapping
// arithmetic that gives exactly the sums of the contributor list.

struct THorizontalEntry {
    std::int32_t Start = 0;
    std::int32_t Total = 0;
    float Inverse = 0.0f; // the biased reciprocal of Total, see MakeInverse
    bool TailSafe = true; // a 16-byte load of the last group stays in the line
};

struct THorizontalPlan {
    int SourceWidth = 0;
    int TargetWidth = 0;
    int Taps = 0;          // a multiple of 4
    bool CopyRows = false; // the line is shorter than a window: read a padded copy
    bool Vector = false;   // the vector form below is valid and chosen
    std::vector<THorizontalEntry> Entries;
    std::vector<std::int32_t> Weights; // TargetWidth x Taps, for the portable code
    // Per entry and group of four taps: w0 w1 w0 w1 w0 w1 0 0 | w2 w3 w2 w3 w2 w3 0 0,
    // matching the channel order the vector code shuffles pixels into.
    TAlignedArray<std::int16_t> Weights16;
    // Per entry its Inverse four times, so two neighbours load as one vector.
    TAlignedArray<float> Inverse4;
    // Per block of four entries: true when all four take the common route (no
    // tail load, a total other than 0).
    std::vector<std::uint8_t> PlainBlock;
};

// The weighted sums S and totals T of a pass are exact in float when the sum of
// |weights| stays below 2^16 (|S| < 255 * 2^16 < 2^24). Then, for |T| < 2048,
// S times 1/T rounded to float and enlarged by 2^-20 lies within [q, q + 2^-11)
// for the true quotient q in [0, 256): never below an exact integer, never up to
// the next one (which is at least 1/|T| away), and on the right side of 0 and 255
// elsewhere. So truncating it and clamping to 0..255 gives exactly the clamped
// integer division.
constexpr std::int64_t kVectorSumLimit = 65536;
constexpr std::int64_t kVectorTotalLimit = 2048;

float MakeInverse(std::int32_t total)
{
    if (total == 0)
        return 0.0f;
    const float inverse = 1.0f / static_cast<float>(total);
    return inverse * (1.0f + 0x1p-20f);
}

THorizontalPlan BuildHorizontalPlan(const TContributorList &list, int sourceWidth, bool vectorWanted)
{
    THorizontalPlan plan;
    plan.SourceWidth = sourceWidth;
    plan.TargetWidth = static_cast<int>(list.size());
    const int n = sourceWidth;

    int span = 1;
    for (const auto &e : list) {
        if (e.Count == 0)
            continue;
        const auto [lo, hi] = std::minmax_element(e.Contributors.begin(), e.Contributors.begin() + e.Count,
                                                  [](const TContributor &a, const TContributor &b) {
                                                      return a.Pixel < b.Pixel;
                                                  });
        span = std::max(span, hi->Pixel - lo->Pixel + 1);
    }
    plan.Taps = (span + 3) / 4 * 4;
    plan.CopyRows = n < plan.Taps;

    const int taps = plan.Taps;
    plan.Entries.resize(list.size());
    plan.Weights.assign(list.size() * taps, 0);
    std::vector<std::int64_t> merged(taps);
    bool vectorOk = vectorWanted;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const TContributorEntry &e = list[i];
        THorizontalEntry &he = plan.Entries[i];
        int lo = n, hi = 0;
        for (int c = 0; c < e.Count; ++c) {
            lo = std::min(lo, e.Contributors[c].Pixel);
            hi = std::max(hi, e.Contributors[c].Pixel);
        }
        if (e.Count == 0)
            lo = 0;
        // Keep the run inside the line by starting it earlier where it can.
        he.Start = plan.CopyRows ? lo : std::min(lo, n - taps);
        std::fill(merged.begin(), merged.end(), 0);
        std::uint32_t total = 0;
        std::int64_t sumAbs = 0;
        for (int c = 0; c < e.Count; ++c) {
            const TContributor &ct = e.Contributors[c];
            merged[ct.Pixel - he.Start] += ct.Weight;
            total += static_cast<std::uint32_t>(ct.Weight);
            sumAbs += std::abs(std::int64_t(ct.Weight));
        }
        he.Total = static_cast<std::int32_t>(total);
        std::int32_t *w = plan.Weights.data() + i * taps;
        for (int t = 0; t < taps; ++t) {
            w[t] = static_cast<std::int32_t>(static_cast<std::uint32_t>(merged[t]));
            if (merged[t] < -32768 || merged[t] > 32767)
                vectorOk = false;
        }
        if (sumAbs >= kVectorSumLimit || std::abs(std::int64_t(he.Total)) >= kVectorTotalLimit)
            vectorOk = false;
        he.Inverse = MakeInverse(he.Total);
        he.TailSafe = plan.CopyRows || 3 * (std::int64_t(he.Start) + taps) + 4 <= 3 * std::int64_t(n);
    }
    plan.Vector = vectorOk;
    if (plan.Vector) {
        const int groups = taps / 4;
        plan.Weights16 = TAlignedArray<std::int16_t>(list.size() * groups * 16);
        std::int16_t *d = plan.Weights16.data();
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::int32_t *w = plan.Weights.data() + i * taps;
            for (int g = 0; g < groups; ++g, d += 16) {
                const auto w0 = static_cast<std::int16_t>(w[4 * g]), w1 = static_cast<std::int16_t>(w[4 * g + 1]);
                const auto w2 = static_cast<std::int16_t>(w[4 * g + 2]), w3 = static_cast<std::int16_t>(w[4 * g + 3]);
                const std::int16_t lanes[16] = {w0, w1, w0, w1, w0, w1, 0, 0, w2, w3, w2, w3, w2, w3, 0, 0};
                std::memcpy(d, lanes, sizeof lanes);
            }
        }
        plan.Inverse4 = TAlignedArray<float>(list.size() * 4);
        for (std::size_t i = 0; i < list.size(); ++i)
            std::fill_n(plan.Inverse4.data() + 4 * i, 4, plan.Entries[i].Inverse);
        plan.PlainBlock.assign(list.size() / 4, 1);
        for (std::size_t i = 0; i < plan.PlainBlock.size() * 4; ++i)
            if (!plan.Entries[i].TailSafe || plan.Entries[i].Total == 0)
                plan.PlainBlock[i / 4] = 0;
    }
    return plan;
}

void HorizontalRowPortable(const THorizontalPlan &plan, const std::uint8_t *row, std::uint8_t *out)
{
    const int taps = plan.Taps;
    const std::int32_t *w = plan.Weights.data();
    for (int i = 0; i < plan.TargetWidth; ++i, w += taps, out += 3) {
        const THorizontalEntry &e = plan.Entries[i];
        const std::uint8_t *p = row + 3 * std::ptrdiff_t(e.Start);
        std::uint32_t b = 0, g = 0, r = 0;
        for (int t = 0; t < taps; ++t, p += 3) {
            const auto wt = static_cast<std::uint32_t>(w[t]);
            b += wt * p[0];
            g += wt * p[1];
            r += wt * p[2];
        }
        out[0] = FinishChannel(b, e.Total);
        out[1] = FinishChannel(g, e.Total);
        out[2] = FinishChannel(r, e.Total);
    }
}

#ifdef QUILLO_RESAMPLE_X86
// Four source pixels (12 bytes) per group: the low half takes pixels 0 and 1, the
// high half pixels 2 and 3, each as 16-bit b0 b1 g0 g1 r0 r1 - -, so that one
// multiply-add of pairs sums two taps per channel.
QUILLO_AVX2 inline __m256i GroupShuffle()
{
    return _mm256_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1, //
                            6, -1, 9, -1, 7, -1, 10, -1, 8, -1, 11, -1, -1, -1, -1, -1);
}

// The sums of one target pixel, as b g r 0 in each half (to be added).
QUILLO_AVX2 inline __m256i AccumulateGroups(const std::uint8_t *p, const __m256i *w, int groups, __m256i shuffle,
                                            bool tailSafe)
{
    __m256i acc = _mm256_setzero_si256();
    const int full = tailSafe ? groups : groups - 1;
    int g = 0;
    for (; g < full; ++g) {
        const __m256i v = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 12 * g)));
        acc = _mm256_add_epi32(acc, _mm256_madd_epi16(_mm256_shuffle_epi8(v, shuffle), _mm256_load_si256(w + g)));
    }
    if (g < groups) {
        // The last group ends at the line's end: load exactly its 12 bytes.
        std::int32_t last;
        std::memcpy(&last, p + 12 * g + 8, 4);
        const __m128i l = _mm_insert_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p + 12 * g)), last, 2);
        const __m256i v = _mm256_broadcastsi128_si256(l);
        acc = _mm256_add_epi32(acc, _mm256_madd_epi16(_mm256_shuffle_epi8(v, shuffle), _mm256_load_si256(w + g)));
    }
    return acc;
}

// The groups of a common-route pixel; Groups > 0 fixes the count at compile time
// so that the loop unrolls and four pixels' loads and multiplies interleave.
template <int Groups>
QUILLO_AVX2 inline __m256i AccumulatePlain(const std::uint8_t *p, const __m256i *w, int groups, __m256i shuffle)
{
    if constexpr (Groups == 0)
        return AccumulateGroups(p, w, groups, shuffle, true);
    __m256i acc = _mm256_setzero_si256();
#pragma GCC unroll 16
    for (int g = 0; g < Groups; ++g) {
        const __m256i v = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 12 * g)));
        acc = _mm256_add_epi32(acc, _mm256_madd_epi16(_mm256_shuffle_epi8(v, shuffle), _mm256_load_si256(w + g)));
    }
    return acc;
}

// Quotients of the weighted sums, truncated. No clamping is needed here: |S| <
// 2^24 keeps the truncated value within 32 bits, and the signed-saturating pack
// to 16 bits and the unsigned-saturating pack to 8 bits that follow clamp it to
// 0..255.
QUILLO_AVX2 inline __m256i Divide(__m256i sums, __m256 inverse)
{
    return _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(sums), inverse));
}

// One target pixel, any entry; writes four bytes (the fourth is overwritten by
// the next pixel or lands in the row's padding).
QUILLO_AVX2 inline void HorizontalPixelAvx2(const THorizontalEntry &e, const std::uint8_t *row, const __m256i *w,
                                            int groups, __m256i shuffle, std::uint8_t *out)
{
    const __m256i acc = AccumulateGroups(row + 3 * std::ptrdiff_t(e.Start), w, groups, shuffle, e.TailSafe);
    __m128i s = _mm_add_epi32(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
    if (e.Total != 0)
        s = _mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(s), _mm_set1_ps(e.Inverse)));
    else
        s = _mm_srli_epi32(s, 8);
    s = _mm_packus_epi16(_mm_packs_epi32(s, s), s);
    const std::uint32_t px = static_cast<std::uint32_t>(_mm_cvtsi128_si32(s));
    std::memcpy(out, &px, 4);
}

template <int Groups>
QUILLO_AVX2 void HorizontalRowAvx2(const THorizontalPlan &plan, const std::uint8_t *row, std::uint8_t *out)
{
    const __m256i shuffle = GroupShuffle();
    const int groups = Groups > 0 ? Groups : plan.Taps / 4;
    const __m256i *w = reinterpret_cast<const __m256i *>(plan.Weights16.data());
    const float *inverse = plan.Inverse4.data();
    // b g r 0 of pixels 0..3 (as dwords A B C D) into 12 packed bytes.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 0, 0, 0, 0);
    const __m128i squeeze = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const int width = plan.TargetWidth;
    int i = 0;
    // Four pixels at a time share the division, packing and store; 16 bytes are
    // stored, the last 4 land on the next pixel or in the row's padding.
    for (; i + 4 <= width; i += 4, w += 4 * groups, out += 12) {
        if (!plan.PlainBlock[i / 4]) {
            for (int k = 0; k < 4; ++k)
                HorizontalPixelAvx2(plan.Entries[i + k], row, w + k * groups, groups, shuffle, out + 3 * k);
            continue;
        }
        const THorizontalEntry *e = &plan.Entries[i];
        const __m256i a = AccumulatePlain<Groups>(row + 3 * std::ptrdiff_t(e[0].Start), w, groups, shuffle);
        const __m256i b = AccumulatePlain<Groups>(row + 3 * std::ptrdiff_t(e[1].Start), w + groups, groups, shuffle);
        const __m256i c =
            AccumulatePlain<Groups>(row + 3 * std::ptrdiff_t(e[2].Start), w + 2 * groups, groups, shuffle);
        const __m256i d =
            AccumulatePlain<Groups>(row + 3 * std::ptrdiff_t(e[3].Start), w + 3 * groups, groups, shuffle);
        const __m256i ab = _mm256_add_epi32(_mm256_permute2x128_si256(a, b, 0x20), _mm256_permute2x128_si256(a, b, 0x31));
        const __m256i cd = _mm256_add_epi32(_mm256_permute2x128_si256(c, d, 0x20), _mm256_permute2x128_si256(c, d, 0x31));
        const __m256i qab = Divide(ab, _mm256_load_ps(inverse + 4 * i));
        const __m256i qcd = Divide(cd, _mm256_load_ps(inverse + 4 * i + 8));
        // Words: A C | B D; bytes: A C A C | B D B D; dwords reordered to A B C D.
        __m256i packed = _mm256_packs_epi32(qab, qcd);
        packed = _mm256_packus_epi16(packed, packed);
        packed = _mm256_permutevar8x32_epi32(packed, order);
        const __m128i px = _mm_shuffle_epi8(_mm256_castsi256_si128(packed), squeeze);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), px);
    }
    for (; i < width; ++i, w += groups, out += 3)
        HorizontalPixelAvx2(plan.Entries[i], row, w, groups, shuffle, out);
}

using THorizontalRow = void (*)(const THorizontalPlan &, const std::uint8_t *, std::uint8_t *);

// Windows up to 48 taps get a row function with the group count built in.
template <int... G>
THorizontalRow PickHorizontalRow(int groups, std::integer_sequence<int, G...>)
{
    THorizontalRow row = HorizontalRowAvx2<0>;
    ((groups == G + 1 ? (row = HorizontalRowAvx2<G + 1>, 0) : 0), ...);
    return row;
}

THorizontalRow HorizontalRowFor(const THorizontalPlan &plan)
{
    return PickHorizontalRow(plan.Taps / 4, std::make_integer_sequence<int, 12>());
}
#endif

void RunHorizontal(const THorizontalPlan &plan, const TBitmap &source, std::uint8_t *inter, std::size_t interStride,
                   int parts)
{
    const int rows = source.Height();
    const std::size_t rowBytes = 3 * std::size_t(plan.TargetWidth);
    // The padded copy leaves room for a whole window past any start in the line.
    const std::size_t copyBytes = plan.CopyRows ? 3 * (std::size_t(plan.SourceWidth) + plan.Taps) + 16 : 0;
    std::vector<std::vector<std::uint8_t>> scratch(parts, std::vector<std::uint8_t>(copyBytes, 0));
#ifdef QUILLO_RESAMPLE_X86
    const THorizontalRow vectorRow = plan.Vector ? HorizontalRowFor(plan) : nullptr;
#endif
    // Rows are handed out in small runs as threads ask for them, so that a thread
    // slowed by other work on the machine does not hold the others up.
    const int runs = (rows + kRowsPerRun - 1) / kRowsPerRun;
    std::atomic<int> nextRun{0};
    auto work = [&](int part) {
        for (int run; (run = nextRun.fetch_add(1, std::memory_order_relaxed)) < runs;) {
            const int k0 = run * kRowsPerRun, k1 = std::min(rows, k0 + kRowsPerRun);
            for (int k = k0; k < k1; ++k) {
            const std::uint8_t *row = source.ScanLine(k);
            if (plan.CopyRows) {
                std::memcpy(scratch[part].data(), row, 3 * std::size_t(plan.SourceWidth));
                row = scratch[part].data();
            }
            std::uint8_t *out = inter + std::size_t(k) * interStride;
#ifdef QUILLO_RESAMPLE_X86
            if (vectorRow)
                vectorRow(plan, row, out);
            else
#endif
                HorizontalRowPortable(plan, row, out);
            // Padding is read (never used) by the vertical pass: keep it defined.
            std::memset(out + rowBytes, 0, interStride - rowBytes);
            }
        }
    };
    RunParts(parts, work);
}

// ---------------------------------------------------------------------------
// Vertical pass: rows of the intermediate picture are read in order and
// accumulated into a block of columns, instead of one strided column at a time.

struct TVerticalTap {
    const std::uint8_t *Row;
    std::int32_t Weight;
};

// Two taps for one multiply-add of pairs: weight A in the low 16 bits.
struct TVerticalPair {
    const std::uint8_t *RowA;
    const std::uint8_t *RowB;
    std::int32_t Weights;
};

struct TVerticalPlan {
    int TargetHeight = 0;
    bool Vector = false;
    std::vector<std::size_t> First; // TargetHeight + 1 offsets into Taps / Pairs
    std::vector<TVerticalTap> Taps;
    std::vector<std::size_t> FirstPair;
    std::vector<TVerticalPair> Pairs;
    std::vector<std::int32_t> Total;
    std::vector<float> Inverse;
};

TVerticalPlan BuildVerticalPlan(const TContributorList &list, const std::uint8_t *inter, std::size_t interStride,
                                bool vectorWanted)
{
    TVerticalPlan plan;
    plan.TargetHeight = static_cast<int>(list.size());
    plan.First.push_back(0);
    plan.FirstPair.push_back(0);
    bool vectorOk = vectorWanted;
    for (const TContributorEntry &e : list) {
        std::uint32_t total = 0;
        std::int64_t sumAbs = 0;
        for (int c = 0; c < e.Count; ++c) {
            const TContributor &ct = e.Contributors[c];
            plan.Taps.push_back({inter + std::size_t(ct.Pixel) * interStride, ct.Weight});
            total += static_cast<std::uint32_t>(ct.Weight);
            sumAbs += std::abs(std::int64_t(ct.Weight));
            if (ct.Weight < -32768 || ct.Weight > 32767)
                vectorOk = false;
        }
        for (int c = 0; c < e.Count; c += 2) {
            const TContributor &a = e.Contributors[c];
            const TContributor &b = c + 1 < e.Count ? e.Contributors[c + 1] : TContributor{0, a.Pixel};
            const std::uint32_t packed = (static_cast<std::uint32_t>(a.Weight) & 0xFFFFu) |
                                         (static_cast<std::uint32_t>(b.Weight) << 16);
            plan.Pairs.push_back({inter + std::size_t(a.Pixel) * interStride,
                                  inter + std::size_t(b.Pixel) * interStride, static_cast<std::int32_t>(packed)});
        }
        plan.First.push_back(plan.Taps.size());
        plan.FirstPair.push_back(plan.Pairs.size());
        const auto t = static_cast<std::int32_t>(total);
        plan.Total.push_back(t);
        plan.Inverse.push_back(MakeInverse(t));
        if (sumAbs >= kVectorSumLimit || std::abs(std::int64_t(t)) >= kVectorTotalLimit)
            vectorOk = false;
    }
    plan.Vector = vectorOk;
    return plan;
}

// Columns [c0, c1) of every target row, in bytes (channels are independent).
void VerticalPortable(const TVerticalPlan &plan, TBitmap &target, std::size_t c0, std::size_t c1)
{
    constexpr std::size_t kBlock = 512;
    std::uint32_t acc[kBlock];
    for (int i = 0; i < plan.TargetHeight; ++i) {
        std::uint8_t *dst = target.ScanLine(i);
        const TVerticalTap *taps = plan.Taps.data() + plan.First[i];
        const std::size_t count = plan.First[i + 1] - plan.First[i];
        const std::int32_t total = plan.Total[i];
        for (std::size_t c = c0; c < c1; c += kBlock) {
            const std::size_t len = std::min(kBlock, c1 - c);
            std::fill(acc, acc + len, 0u);
            for (std::size_t t = 0; t < count; ++t) {
                const std::uint8_t *src = taps[t].Row + c;
                const auto w = static_cast<std::uint32_t>(taps[t].Weight);
                for (std::size_t x = 0; x < len; ++x)
                    acc[x] += w * src[x];
            }
            for (std::size_t x = 0; x < len; ++x)
                dst[c + x] = FinishChannel(acc[x], total);
        }
    }
}

#ifdef QUILLO_RESAMPLE_X86
// Clamping is left to the saturating packs, as in the horizontal pass.
QUILLO_AVX2 inline __m256i FinishAvx2(__m256i acc, __m256 inverse, bool zeroTotal)
{
    return zeroTotal ? _mm256_srli_epi32(acc, 8) : Divide(acc, inverse);
}

// Columns [c0, c1) in bytes; c0 is a multiple of 32, and the intermediate rows
// are padded so that a 32-byte load at any such column stays inside its row.
QUILLO_AVX2 void VerticalAvx2(const TVerticalPlan &plan, TBitmap &target, std::size_t c0, std::size_t c1)
{
    const __m256i zero = _mm256_setzero_si256();
    for (int i = 0; i < plan.TargetHeight; ++i) {
        std::uint8_t *dst = target.ScanLine(i);
        const TVerticalPair *pairs = plan.Pairs.data() + plan.FirstPair[i];
        const std::size_t count = plan.FirstPair[i + 1] - plan.FirstPair[i];
        const bool zeroTotal = plan.Total[i] == 0;
        const __m256 inverse = _mm256_set1_ps(plan.Inverse[i]);
        for (std::size_t c = c0; c < c1; c += 32) {
            // acc0 holds columns 0-3 and 16-19 of the block, acc1 4-7 and 20-23,
            // acc2 8-11 and 24-27, acc3 12-15 and 28-31: the order in which the
            // packing below puts them back.
            __m256i acc0 = zero, acc1 = zero, acc2 = zero, acc3 = zero;
            for (std::size_t p = 0; p < count; ++p) {
                const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(pairs[p].RowA + c));
                const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(pairs[p].RowB + c));
                const __m256i w = _mm256_set1_epi32(pairs[p].Weights);
                const __m256i lo = _mm256_unpacklo_epi8(a, b);
                const __m256i hi = _mm256_unpackhi_epi8(a, b);
                acc0 = _mm256_add_epi32(acc0, _mm256_madd_epi16(_mm256_unpacklo_epi8(lo, zero), w));
                acc1 = _mm256_add_epi32(acc1, _mm256_madd_epi16(_mm256_unpackhi_epi8(lo, zero), w));
                acc2 = _mm256_add_epi32(acc2, _mm256_madd_epi16(_mm256_unpacklo_epi8(hi, zero), w));
                acc3 = _mm256_add_epi32(acc3, _mm256_madd_epi16(_mm256_unpackhi_epi8(hi, zero), w));
            }
            const __m256i p01 = _mm256_packs_epi32(FinishAvx2(acc0, inverse, zeroTotal),
                                                   FinishAvx2(acc1, inverse, zeroTotal));
            const __m256i p23 = _mm256_packs_epi32(FinishAvx2(acc2, inverse, zeroTotal),
                                                   FinishAvx2(acc3, inverse, zeroTotal));
            const __m256i bytes = _mm256_packus_epi16(p01, p23);
            if (c + 32 <= c1) {
                _mm256_storeu_si256(reinterpret_cast<__m256i *>(dst + c), bytes);
            } else {
                alignas(32) std::uint8_t tail[32];
                _mm256_store_si256(reinterpret_cast<__m256i *>(tail), bytes);
                std::memcpy(dst + c, tail, c1 - c);
            }
        }
    }
}
#endif

void RunVertical(const TVerticalPlan &plan, TBitmap &target, int parts)
{
    const std::size_t rowBytes = 3 * std::size_t(target.Width());
    // Strips of columns, handed out as threads ask for them; their edges are on
    // 32-byte boundaries so that no vector block straddles two strips.
    const auto strips = static_cast<int>((rowBytes + kStripBytes - 1) / kStripBytes);
    parts = std::clamp(parts, 1, strips);
    std::atomic<int> nextStrip{0};
    auto work = [&](int) {
        for (int strip; (strip = nextStrip.fetch_add(1, std::memory_order_relaxed)) < strips;) {
            const std::size_t c0 = std::size_t(strip) * kStripBytes, c1 = std::min(rowBytes, c0 + kStripBytes);
#ifdef QUILLO_RESAMPLE_X86
            if (plan.Vector) {
                VerticalAvx2(plan, target, c0, c1);
                continue;
            }
#endif
            VerticalPortable(plan, target, c0, c1);
        }
    };
    RunParts(parts, work);
}

} // namespace

bool CpuHasAvx2()
{
#ifdef QUILLO_RESAMPLE_X86
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
#else
    return false;
#endif
}

void RunPasses(const TContributorList &rows, const TContributorList &columns, const TBitmap &source,
               TBitmap &target, int threads, bool vector)
{
    const int sw = source.Width(), sh = source.Height();
    const int tw = target.Width();
    vector = vector && CpuHasAvx2();
    // Intermediate picture, target width x source height, rows top-down and padded
    // to 32 bytes, with room for the horizontal pass's 16-byte stores at the end.
    TBitmap::CheckDimensions(tw, sh, 24);
    const std::size_t interStride = (3 * std::size_t(tw) + 4 + 31) / 32 * 32;
    // Tens of megabytes written once and read once: page-block memory spares the
    // page faults of fresh memory.
    const TPageBlock inter = TPageBlock::Allocate(interStride * std::size_t(sh), false);

    const THorizontalPlan horizontal = BuildHorizontalPlan(rows, sw, vector);
    const TVerticalPlan vertical = BuildVerticalPlan(columns, inter.Data(), interStride, vector);
    RunHorizontal(horizontal, source, inter.Data(), interStride,
                  PartsFor(std::int64_t(sh) * tw * horizontal.Taps, sh, threads));
    RunVertical(vertical, target, PartsFor(std::int64_t(vertical.Taps.size()) * tw, tw, threads));
}

} // namespace quillo::resample_detail
