// Reconstruction of filtered rows, specialised by filter type and by the
// byte distance to the left neighbour (the filter unit), so that each loop
// runs with a constant distance and no per-byte switch.
#include <cstdlib>
#include <cstring>

#include "png/png_internal.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vurk {

namespace {

template <size_t U>
void sub(const uint8_t* __restrict in, uint8_t* __restrict out, size_t n) {
    const size_t first = n < U ? n : U;
    for (size_t i = 0; i < first; ++i) out[i] = in[i];
    for (size_t i = U; i < n; ++i) out[i] = static_cast<uint8_t>(in[i] + out[i - U]);
}

void up(const uint8_t* __restrict in, const uint8_t* __restrict prev, uint8_t* __restrict out, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(in[i] + prev[i]);
}

template <size_t U>
void average(const uint8_t* __restrict in, const uint8_t* __restrict prev, uint8_t* __restrict out, size_t n) {
    const size_t first = n < U ? n : U;
    if (prev == nullptr) {
        for (size_t i = 0; i < first; ++i) out[i] = in[i];
        for (size_t i = U; i < n; ++i) out[i] = static_cast<uint8_t>(in[i] + (out[i - U] >> 1));
        return;
    }
    for (size_t i = 0; i < first; ++i) out[i] = static_cast<uint8_t>(in[i] + (prev[i] >> 1));
    for (size_t i = U; i < n; ++i) out[i] = static_cast<uint8_t>(in[i] + ((out[i - U] + prev[i]) >> 1));
}

// The Paeth predictor without branches: p - a = b - c, p - b = a - c and
// p - c = (a - c) + (b - c).
inline uint8_t paethPredictor(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    const int bc = pb <= pc ? b : c;
    return static_cast<uint8_t>(pa <= pb && pa <= pc ? a : bc);
}

template <size_t U>
void paeth(const uint8_t* __restrict in, const uint8_t* __restrict prev, uint8_t* __restrict out, size_t n) {
    if (prev == nullptr) return sub<U>(in, out, n);  // b and c are 0: the predictor is a
    const size_t first = n < U ? n : U;
    for (size_t i = 0; i < first; ++i) out[i] = static_cast<uint8_t>(in[i] + prev[i]);
    for (size_t i = U; i < n; ++i) out[i] = static_cast<uint8_t>(in[i] + paethPredictor(out[i - U], prev[i], prev[i - U]));
}

#if defined(__SSE2__)
// Paeth one pixel of U (3, 4, 6 or 8) bytes at a time, its channels side by
// side in 16-bit lanes. Loads and stores take 4 bytes (8 for 6 and 8): the
// output row has room behind it, and the last pixel is read byte-exact, as
// the input rows may end where the raw data ends.
template <size_t U>
void paethSse2(const uint8_t* __restrict in, const uint8_t* __restrict prev, uint8_t* __restrict out, size_t n) {
    if (prev == nullptr) return sub<U>(in, out, n);
    constexpr size_t kWide = U <= 4 ? 4 : 8;
    const __m128i zero = _mm_setzero_si128();
    const auto widen = [&](uint64_t v) {
        return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&v)), zero);
    };
    const auto loadWide = [&](const uint8_t* p) {
        uint64_t v = 0;
        std::memcpy(&v, p, kWide);
        return widen(v);
    };
    const auto loadExact = [&](const uint8_t* p) {
        uint64_t v = 0;
        std::memcpy(&v, p, U);
        return widen(v);
    };
    __m128i a = zero, c = zero;
    const auto step = [&](__m128i b, __m128i x, uint8_t* o) {
        __m128i pa = _mm_sub_epi16(b, c);
        __m128i pb = _mm_sub_epi16(a, c);
        __m128i pc = _mm_add_epi16(pa, pb);
        pa = _mm_max_epi16(pa, _mm_sub_epi16(zero, pa));
        pb = _mm_max_epi16(pb, _mm_sub_epi16(zero, pb));
        pc = _mm_max_epi16(pc, _mm_sub_epi16(zero, pc));
        // b where pb < pa, then c where pc is below the smaller of the two;
        // ties keep a, then b, as the predictor's order says.
        __m128i m = _mm_cmpgt_epi16(pa, pb);
        __m128i pred = _mm_or_si128(_mm_and_si128(m, b), _mm_andnot_si128(m, a));
        pa = _mm_min_epi16(pa, pb);
        m = _mm_cmpgt_epi16(pa, pc);
        pred = _mm_or_si128(_mm_and_si128(m, c), _mm_andnot_si128(m, pred));
        a = _mm_and_si128(_mm_add_epi16(x, pred), _mm_set1_epi16(0xFF));
        c = b;
        uint64_t v;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(&v), _mm_packus_epi16(a, zero));
        std::memcpy(o, &v, kWide);
    };
    size_t i = 0;
    for (; i + U < n; i += U) step(loadWide(prev + i), loadWide(in + i), out + i);
    if (i + U <= n) step(loadExact(prev + i), loadExact(in + i), out + i);
}
#endif

using Unfilter = void (*)(const uint8_t*, const uint8_t*, uint8_t*, size_t);

template <size_t U>
void subRow(const uint8_t* in, const uint8_t*, uint8_t* out, size_t n) {
    sub<U>(in, out, n);
}
void upRow(const uint8_t* in, const uint8_t* prev, uint8_t* out, size_t n) {
    if (prev == nullptr) {
        std::memcpy(out, in, n);
    } else {
        up(in, prev, out, n);
    }
}

template <size_t U>
constexpr Unfilter kForUnit[3] = {subRow<U>, average<U>, paeth<U>};

}  // namespace

void unfilterRow(uint8_t type, const uint8_t* in, const uint8_t* prev, uint8_t* out, size_t n, size_t unit) {
    if (type == 2) return upRow(in, prev, out, n);
    const int k = type == 1 ? 0 : type == 3 ? 1 : 2;
    switch (unit) {
    case 1: return kForUnit<1>[k](in, prev, out, n);
    case 2: return kForUnit<2>[k](in, prev, out, n);
#if defined(__SSE2__)
    case 3: return (k == 2 ? paethSse2<3> : kForUnit<3>[k])(in, prev, out, n);
    case 4: return (k == 2 ? paethSse2<4> : kForUnit<4>[k])(in, prev, out, n);
#else
    case 3: return kForUnit<3>[k](in, prev, out, n);
    case 4: return kForUnit<4>[k](in, prev, out, n);
#endif
#if defined(__SSE2__)
    case 6: return (k == 2 ? paethSse2<6> : kForUnit<6>[k])(in, prev, out, n);
    default: return (k == 2 ? paethSse2<8> : kForUnit<8>[k])(in, prev, out, n);
#else
    case 6: return kForUnit<6>[k](in, prev, out, n);
    default: return kForUnit<8>[k](in, prev, out, n);
#endif
    }
}

}  // namespace vurk
