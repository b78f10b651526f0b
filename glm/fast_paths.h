// The readers' speed tricks, behind one switch (not part of the public interface).
//
// Each trick here gives exactly what the plain code beside its call gives; it is only faster on
// the common case and declines (returns null) on anything else. Building with GLM_PLAIN_READER
// defined turns every one of them off, and the reader's threads with them; the tests run in
// both builds and compare the two.
#ifndef GLM_FAST_PATHS_H
#define GLM_FAST_PATHS_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#ifdef GLM_PLAIN_READER
constexpr bool GLM_FAST_PATHS = false;
#else
constexpr bool GLM_FAST_PATHS = true;
#endif

inline bool glmIsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool glmIsDigit(char c) { return c >= '0' && c <= '9'; }

inline const char* glmSkipDigits(const char* p) {
  while (glmIsDigit(*p)) p++;
  return p;
}

inline const char* glmSpaceEnd(const char* p) {
  while (glmIsSpace(*p)) p++;
  return p;
}


// The correctly rounded value of the unsigned decimal number [p, stop) (in text_scan.cpp). Out of
// line, so that the callers' results can stay in registers.
float glmConvertDecimal(const char* p, const char* stop);

// The eight bytes at p as one number, the first byte lowest.
inline uint64_t glmLoadEight(const char* p) {
  uint64_t chunk;
  memcpy(&chunk, p, 8);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  chunk = __builtin_bswap64(chunk);
#endif
  return chunk;
}

// The value of the first n (1 to 8) digit bytes in `chunk`, with three multiplications rather
// than one per digit. The bytes after the digits are shifted out before they can matter.
inline uint32_t glmDigitsValue(uint64_t chunk, unsigned n) {
  chunk = (chunk - 0x3030303030303030ull) << (8 * (8 - n));
  chunk = chunk * 10 + (chunk >> 8);
  chunk = ((chunk & 0x000000ff000000ffull) * (100 + (1000000ull << 32)) +
           ((chunk >> 16) & 0x000000ff000000ffull) * (1 + (10000ull << 32))) >> 32;
  return uint32_t(chunk);
}

// The common "%d" of face indices: 1 to 7 digits without a sign. Like glmShortDecimal, it finds
// the end with a character loop and takes the value eight bytes at a time. Returns the end of the
// digits and stores their value; null when the number is not of that kind or fewer than eight
// bytes are left. A null `value` only skips the digits.
__attribute__((always_inline)) inline const char* glmShortUnsigned(const char* p, const char* end, int* value) {
  if (end - p < 8) return nullptr;
  const char* stop = glmSkipDigits(p);
  size_t run = size_t(stop - p);
  if (run == 0 || run > 7) return nullptr;
  if (value) *value = int(glmDigitsValue(glmLoadEight(p), unsigned(run)));
  return stop;
}

// The common "%f" of vertex lines: 1 to 7 digits, optionally a point and up to 7 more digits,
// then white space. Nothing else can follow such a number (no exponent, no "0x"), so it ends
// where the digits do. When the digits, at most 2^24, are exact as a float, one float division
// by the exact power of ten rounds correctly; longer ones go to the exact general conversion.
// The number's end is found by character loops, whose exits the processor predicts and runs
// ahead of, so the next number's scan need not wait for this one's bytes; the digits' value is
// then taken eight bytes at a time. Returns the number's end and stores its value; null when the
// number is not of that kind or too near the end for the eight-byte reads. A null `value` only
// skips it.
__attribute__((always_inline)) inline const char* glmShortDecimal(const char* p, const char* end, float* value) {
  static const float POWERS[8] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f};
  static const uint32_t SCALES[8] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
  if (end - p < 17) return nullptr;
  const char* point = glmSkipDigits(p);
  const char* stop = *point == '.' ? glmSkipDigits(point + 1) : point;
  size_t whole = size_t(point - p), fraction = stop == point ? 0 : size_t(stop - point - 1);
  if (whole == 0 || whole > 7 || fraction > 7 || !glmIsSpace(*stop)) return nullptr;
  if (!value) return stop;
  uint64_t digits = uint64_t(glmDigitsValue(glmLoadEight(p), unsigned(whole))) * SCALES[fraction];
  if (fraction) digits += glmDigitsValue(glmLoadEight(point + 1), unsigned(fraction));
  *value = digits <= (1u << 24) ? float(digits) / POWERS[fraction] : glmConvertDecimal(p, stop);
  return stop;
}

// Marks of 16 bytes at p, bit i for byte i: characters that start an OBJ keyword, and line ends.
struct GlmLineMarks {
  unsigned keywords;
  unsigned lineEnds;
};

#ifdef __SSE2__
inline GlmLineMarks glmMarkSixteen(const char* p) {
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  auto equal = [bytes](char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
  __m128i keywords = _mm_or_si128(_mm_or_si128(equal('v'), equal('f')), _mm_or_si128(_mm_or_si128(equal('g'), equal('m')), equal('u')));
  return {unsigned(_mm_movemask_epi8(keywords)), unsigned(_mm_movemask_epi8(equal('\n')))};
}
#else
inline GlmLineMarks glmMarkSixteen(const char* p) {
  GlmLineMarks marks = {0, 0};
  for (unsigned i = 0; i < 16; i++) {
    char c = p[i];
    marks.keywords |= unsigned(c == 'v' || c == 'f' || c == 'g' || c == 'm' || c == 'u') << i;
    marks.lineEnds |= unsigned(c == '\n') << i;
  }
  return marks;
}
#endif

// The line end within the next `limit` characters from p, found sixteen bytes at a time, when
// no character before it could start an OBJ keyword ("v", "f", "g", "m", "u"); null otherwise,
// or when fewer than limit + 16 bytes are left.
inline const char* glmPlainLineEnd(const char* p, const char* end, size_t limit) {
  if (size_t(end - p) < limit + 16) return nullptr;
  for (const char* block = p; block < p + limit; block += 16) {
    GlmLineMarks marks = glmMarkSixteen(block);
    unsigned inLine = marks.lineEnds ? (marks.lineEnds & (0u - marks.lineEnds)) - 1 : 0xffffu;
    if (marks.keywords & inLine) return nullptr;
    if (marks.lineEnds) return block + __builtin_ctz(marks.lineEnds);
  }
  return nullptr;
}

#endif
