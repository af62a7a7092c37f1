#include "FadeBlend.h"

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#endif

static const uint32_t kLongestFade = 1000;

uint32_t FadeDuration(uint32_t interval)
{
    return interval / 2 < kLongestFade ? interval / 2 : kLongestFade;
}

uint32_t FadeWeight(uint32_t elapsed, uint32_t duration)
{
    if (elapsed >= duration) {
        return kFadeWhole;
    }
    return static_cast<uint32_t>(static_cast<uint64_t>(elapsed) * kFadeWhole / duration);
}

// from x (256 - weight) + to x weight fits in 16 bits for bytes and weights up to 256.
static void BlendPlain(const uint8_t* from, const uint8_t* to, uint8_t* out, size_t count, uint32_t weight)
{
    for (size_t i = 0; i < count; ++i) {
        out[i] = static_cast<uint8_t>((from[i] * (kFadeWhole - weight) + to[i] * weight + kFadeWhole / 2) >> 8);
    }
}

#if defined(__i386__) || defined(__x86_64__)
// Sixteen bytes a step, in 16-bit lanes.
__attribute__((target("sse2"))) static void BlendSse2(const uint8_t* from, const uint8_t* to, uint8_t* out,
                                                      size_t count, uint32_t weight)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i toWeight = _mm_set1_epi16(static_cast<short>(weight));
    const __m128i fromWeight = _mm_set1_epi16(static_cast<short>(kFadeWhole - weight));
    const __m128i half = _mm_set1_epi16(static_cast<short>(kFadeWhole / 2));
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to + i));
        __m128i low = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), fromWeight),
                                    _mm_mullo_epi16(_mm_unpacklo_epi8(b, zero), toWeight));
        __m128i high = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(a, zero), fromWeight),
                                     _mm_mullo_epi16(_mm_unpackhi_epi8(b, zero), toWeight));
        low = _mm_srli_epi16(_mm_add_epi16(low, half), 8);
        high = _mm_srli_epi16(_mm_add_epi16(high, half), 8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, high));
    }
    BlendPlain(from + i, to + i, out + i, count - i, weight);
}

static bool HasSse2()
{
    static const bool has = __builtin_cpu_supports("sse2");
    return has;
}
#endif

void BlendPixels(const uint8_t* from, const uint8_t* to, uint8_t* out, size_t count, uint32_t weight)
{
#if defined(__i386__) || defined(__x86_64__)
    if (HasSse2()) {
        BlendSse2(from, to, out, count, weight);
        return;
    }
#endif
    BlendPlain(from, to, out, count, weight);
}
