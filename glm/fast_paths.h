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

// White space is below every printing character, so one comparison passes over most text.
inline const char* glmSpaceEnd(const char* p) {
  while (static_cast<unsigned char>(*p) <= ' ' && glmIsSpace(*p)) p++;
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

// How many of the bytes in `chunk` (as glmLoadEight gives them), from the first, are digits (0 to 8). A byte is a digit when
// its high half is 3 and adding 6 leaves it so. The carry out of a byte from 0xfa up can only
// change the bytes after it, which come after a byte that is no digit.
inline unsigned glmDigitRun(uint64_t chunk) {
  const uint64_t HIGH = 0xf0f0f0f0f0f0f0f0ull, THREES = 0x3030303030303030ull;
  uint64_t notDigits = ((chunk & HIGH) ^ THREES) | (((chunk + 0x0606060606060606ull) & HIGH) ^ THREES);
  return notDigits ? unsigned(__builtin_ctzll(notDigits)) / 8 : 8;
}

// The common "%d" of face indices: 1 to 7 digits without a sign, found and valued eight bytes at
// a time. Returns the end of the digits and stores their value; null when the number is not of
// that kind or fewer than eight bytes are left. A null `value` only skips the digits.
__attribute__((always_inline)) inline const char* glmShortUnsigned(const char* p, const char* end, int* value) {
  if (end - p < 8) return nullptr;
  uint64_t chunk = glmLoadEight(p);
  unsigned run = glmDigitRun(chunk);
  if (run == 0 || run > 7) return nullptr;
  if (value) *value = int(glmDigitsValue(chunk, run));
  return p + run;
}

// The common "%f" of vertex lines: 1 to 7 digits, optionally a point and up to 7 more digits,
// then white space. Nothing else can follow such a number (no exponent, no "0x"), so it ends
// where the digits do. When the digits, at most 2^24, are exact as a float, one float division
// by the exact power of ten rounds correctly; longer ones go to the exact general conversion.
// Returns the number's end and stores its value; null when the number is not of that kind or
// too near the end for the eight-byte reads. A null `value` only skips it.
__attribute__((always_inline)) inline const char* glmShortDecimal(const char* p, const char* end, float* value) {
  static const float POWERS[8] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f};
  static const uint32_t SCALES[8] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
  if (end - p < 17) return nullptr;
  uint64_t head = glmLoadEight(p);
  unsigned whole = glmDigitRun(head), fraction = 0;
  if (whole == 0 || whole > 7) return nullptr;
  const char* point = p + whole;
  const char* stop = point;
  uint64_t tail = 0;
  if (*point == '.') {
    tail = glmLoadEight(point + 1);
    fraction = glmDigitRun(tail);
    stop = point + 1 + fraction;
  }
  if (fraction > 7 || !glmIsSpace(*stop)) return nullptr;
  if (!value) return stop;
  uint64_t digits;
  if (whole + fraction <= 8) {  // the digits either side of the point fit side by side in one word
    uint64_t wholeDigits = head & ((uint64_t(1) << (8 * whole)) - 1);
    digits = glmDigitsValue(wholeDigits | (tail << (8 * whole)), whole + fraction);
  } else {
    digits = uint64_t(glmDigitsValue(head, whole)) * SCALES[fraction] + glmDigitsValue(tail, fraction);
  }
  *value = digits <= (1u << 24) ? float(digits) / POWERS[fraction] : glmConvertDecimal(p, stop);
  return stop;
}

// A keyword of one or two characters and the blank after it, as four bytes read at once compare
// them; a longer keyword gets a mask that nothing matches.
struct GlmKeywordBytes {
  uint32_t bytes, mask;
  size_t length;
};

inline GlmKeywordBytes glmKeywordBytes(const char* keyword, size_t length) {
  GlmKeywordBytes same = {~0u, 0, length};
  if (length > 2) return same;
  const char bytes[4] = {keyword[0], length == 2 ? keyword[1] : ' ', ' ', '\0'};
  const uint8_t mask[4] = {0xff, 0xff, uint8_t(length == 2 ? 0xff : 0), 0};
  memcpy(&same.bytes, bytes, 4);
  memcpy(&same.mask, mask, 4);
  same.bytes &= same.mask;
  return same;
}

// Where glmShortKeyword would find `keyword` at p (at p, or just after the line end there), when a
// space follows it: its start; null otherwise, or when fewer than three bytes are left there.
inline const char* glmSameShortKeyword(const char* p, const char* end, const GlmKeywordBytes& keyword) {
  p += *p == '\n';
  uint32_t bytes;
  if (end - p < 3) return nullptr;
  memcpy(&bytes, p, 4);  // the fourth byte may be the terminator at end
  return (bytes & keyword.mask) == keyword.bytes ? p : nullptr;
}

// Marks of the sixteen bytes at p, bit i for byte i: the bytes that are one of CHARS, and the
// digits.
#ifdef __SSE2__
template <char... CHARS>
inline unsigned glmMarkChars(const char* p) {
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  __m128i marks = _mm_setzero_si128();
  ((marks = _mm_or_si128(marks, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(CHARS)))), ...);
  return unsigned(_mm_movemask_epi8(marks));
}
inline unsigned glmMarkDigits(const char* p) {
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  // Signed comparison: bytes from 0x80 up are negative, so never digits.
  return unsigned(_mm_movemask_epi8(
      _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('0' - 1)), _mm_cmplt_epi8(bytes, _mm_set1_epi8('9' + 1)))));
}
#else
template <char... CHARS>
inline unsigned glmMarkChars(const char* p) {
  unsigned marks = 0;
  for (unsigned i = 0; i < 16; i++) marks |= unsigned(((p[i] == CHARS) || ...)) << i;
  return marks;
}
inline unsigned glmMarkDigits(const char* p) {
  unsigned marks = 0;
  for (unsigned i = 0; i < 16; i++) marks |= unsigned(glmIsDigit(p[i])) << i;
  return marks;
}
#endif

// The line end within the next `limit` characters from p, found sixteen bytes at a time, when
// no character before it could start an OBJ keyword ("v", "f", "g", "m", "u"); null otherwise,
// or when fewer than limit + 16 bytes are left.
inline const char* glmPlainLineEnd(const char* p, const char* end, size_t limit) {
  if (size_t(end - p) < limit + 16) return nullptr;
  for (const char* block = p; block < p + limit; block += 16) {
    unsigned lineEnds = glmMarkChars<'\n'>(block);
    unsigned inLine = lineEnds ? (lineEnds & (0u - lineEnds)) - 1 : 0xffffu;
    if (glmMarkChars<'v', 'f', 'g', 'm', 'u'>(block) & inLine) return nullptr;
    if (lineEnds) return block + __builtin_ctz(lineEnds);
  }
  return nullptr;
}

// Marks of 64 bytes at p, bit i for byte i: digits, slashes, and blanks (space, tab, carriage
// return) that may stand between the words of a face.
struct GlmFaceMarks {
  uint64_t digits;
  uint64_t slashes;
  uint64_t blanks;
};

// The marks stop after the first sixteen bytes that hold a byte of none of the three kinds, such
// as the line end: the bytes after it are no part of the line.
inline GlmFaceMarks glmMarkFaceBytes(const char* p) {
  GlmFaceMarks marks = {0, 0, 0};
  for (unsigned i = 0; i < 4; i++) {
    unsigned digits = glmMarkDigits(p + 16 * i), slashes = glmMarkChars<'/'>(p + 16 * i),
             blanks = glmMarkChars<' ', '\t', '\r'>(p + 16 * i);
    marks.digits |= uint64_t(digits) << (16 * i);
    marks.slashes |= uint64_t(slashes) << (16 * i);
    marks.blanks |= uint64_t(blanks) << (16 * i);
    if ((digits | slashes | blanks) != 0xffffu) break;
  }
  return marks;
}

// The lowest set bit of x, and the bits below it.
inline uint64_t glmLowestBit(uint64_t x) { return x & (0 - x); }
inline uint64_t glmBelowLowestBit(uint64_t x) { return ~x & (x - 1); }

// A vertex word's shape: how many slashes it has, all single, or a "//" pair (shape 3).
constexpr unsigned GLM_DOUBLE_SLASH_SHAPE = 3;
inline unsigned glmVertexWordShape(uint64_t slashes) {
  uint64_t rest = slashes & (slashes - 1);
  if (!slashes) return 0;
  if (!rest) return 1;
  if (rest & (rest - 1)) return ~0u;
  if (slashes == glmLowestBit(slashes) * 3) return GLM_DOUBLE_SLASH_SHAPE;
  return 2;
}

// The words of a face from p, its keyword's end, to the line end, counted without reading their
// numbers: when every word is digit runs joined by slashes, starts and ends with a digit and has
// the shape of the first word (no slash, one or two single ones, or one "//"), and the next line
// starts with a letter, "#" or the terminator, then the first word decides the face's form, every
// word after it is one whole vertex of that form, and reading vertex after vertex stops at the
// line end. Returns the line end and stores the number of words; null when the line is not of
// that kind, has no word, or is too near the end for the 64-byte reads.
inline const char* glmCountFaceWords(const char* p, const char* end, unsigned* words) {
  unsigned count = 0, shape = 0;
  for (;;) {
    if (end - p < 64) return nullptr;
    GlmFaceMarks marks = glmMarkFaceBytes(p);
    uint64_t inWords = marks.digits | marks.slashes;
    uint64_t inLine = glmBelowLowestBit(~(inWords | marks.blanks));
    uint64_t starts = inWords & ~(inWords << 1) & inLine;
    uint64_t ends = inWords & ~(inWords >> 1) & inLine;
    bool lineEndSeen = inLine != ~uint64_t(0);
    unsigned advance = 64;
    if (!lineEndSeen && (inWords >> 63)) {  // the last word goes on past this window: leave it to the next
      advance = 63 - unsigned(__builtin_clzll(starts));
      if (advance == 0) return nullptr;
      starts &= (uint64_t(1) << advance) - 1;
      ends &= (uint64_t(1) << advance) - 1;
    }
    if ((starts | ends) & ~marks.digits) return nullptr;
    if (shape == 0 && !(marks.slashes & inLine)) {  // words of the "f 1 2 3" form: no shapes to compare
      for (uint64_t left = starts; left; left &= left - 1) count++;
    } else {
      for (uint64_t left = starts; left; left &= left - 1) {
        uint64_t from = ~(glmLowestBit(left) - 1);
        uint64_t word = from & glmBelowLowestBit(~inWords & from);
        unsigned wordShape = glmVertexWordShape(marks.slashes & word);
        if (count++ == 0) shape = wordShape;
        if (wordShape != shape || shape == ~0u) return nullptr;
      }
    }
    if (lineEndSeen) {
      p += __builtin_ctzll(~inLine);
      char next = char(p[1] | 0x20);
      if (*p != '\n' || !((next >= 'a' && next <= 'z') || p[1] == '#' || p[1] == '\0') || count == 0) return nullptr;
      *words = count;
      return p;
    }
    p += advance;
  }
}

#endif
