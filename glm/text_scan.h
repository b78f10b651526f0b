// Word, line and number scanning for the OBJ and MTL readers (not part of the public interface).
//
// Both dialects are defined in terms of the C library's formatted input on a text stream:
// "%127s" words, line remainders of at most 127 characters (a 128-byte fgets), "%d" and "%f"
// numbers that skip white space first. The readers take the whole file into memory once and
// scan it with these functions, which reproduce those semantics exactly, including how much
// input a partly matching number consumes.
#ifndef GLM_TEXT_SCAN_H
#define GLM_TEXT_SCAN_H

#include "glm/fast_paths.h"

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

// A read position in a file's bytes. *end is a '\0' that the reader appended: it stops every
// character-class loop, so only the loops that accept any byte need to compare with end.
struct GlmScanner {
  const char* at;
  const char* end;
};

// A stretch of the buffer; not terminated.
struct GlmSpan {
  const char* text;
  size_t length;
};

// The most characters a word or a line remainder holds.
constexpr size_t GLM_WORD_MAX = 127;
// Size of the buffers that take a word or a name.
constexpr size_t GLM_WORD_BUFFER = GLM_WORD_MAX + 1;

// Line number (1-based) of position `at` in the buffer that starts at `start`.
unsigned glmLineNumber(const char* start, const char* at);

// Copies a span into `buffer` (GLM_WORD_BUFFER bytes) as a C string: stops at an embedded
// '\0', as the C library's string functions would. Returns the string's length.
size_t glmSpanToString(GlmSpan span, char* buffer);

// The name a line remainder gives: its second word when it holds two or more, its only word
// otherwise, "" when it holds none. Written into `buffer` (GLM_WORD_BUFFER bytes).
void glmLineName(GlmSpan line, char* buffer);

// The line remainder without the white space around it, into `buffer` (GLM_WORD_BUFFER bytes).
void glmTrimmedLine(GlmSpan line, char* buffer);

// "%f" where the plain decimal path does not apply: infinities, NaN, hexadecimal, no number.
// `digits` is the position after the optional sign; a null `value` only skips the number.
bool glmScanSpecialFloat(GlmScanner* text, const char* digits, float* value);

// White space up to the line end, which it does not pass.
inline const char* glmBlankEnd(const char* p) {
  while (glmIsSpace(*p) && *p != '\n') p++;
  return p;
}

// The common keyword: one or two characters and a blank, at p or just after the line end there.
// Returns its length, or 0 for any other word or when fewer than three bytes are left there.
inline size_t glmShortKeyword(const char* p, const char* end, const char** start) {
  p += *p == '\n';
  *start = p;
  if (end - p < 3 || glmIsSpace(p[0])) return 0;
  if (glmIsSpace(p[1])) return 1;
  return glmIsSpace(p[2]) ? 2 : 0;
}

// "%127s": false at the end of the input.
inline bool glmScanWord(GlmScanner* text, GlmSpan* word) {
  if constexpr (GLM_FAST_PATHS) {
    const char* keyword;
    if (size_t length = glmShortKeyword(text->at, text->end, &keyword)) {
      text->at = keyword + length;
      *word = {keyword, length};
      return true;
    }
  }
  const char* start = glmSpaceEnd(text->at);
  const char* limit = size_t(text->end - start) < GLM_WORD_MAX ? text->end : start + GLM_WORD_MAX;
  const char* stop = start;
  while (stop < limit && !glmIsSpace(*stop)) stop++;
  text->at = stop;
  *word = {start, size_t(stop - start)};
  return stop != start;
}

// A 128-byte fgets: the rest of the line through its line end, at most 127 characters.
inline GlmSpan glmScanLine(GlmScanner* text) {
  const char* start = text->at;
  size_t room = size_t(text->end - start) < GLM_WORD_MAX ? size_t(text->end - start) : GLM_WORD_MAX;
  const char* newline = static_cast<const char*>(memchr(start, '\n', room));
  text->at = newline ? newline + 1 : start + room;
  return {start, size_t(text->at - start)};
}

// One literal character of a format: consumed only when it matches.
inline bool glmScanLiteral(GlmScanner* text, char c) {
  if (*text->at != c) return false;
  text->at++;
  return true;
}

// "%d". A sign without digits is consumed and fails, as in the C library. Values beyond the
// range of int saturate, so they can never wrap round into a valid index. A null `value` only
// skips the number.
__attribute__((always_inline)) inline bool glmScanInt(GlmScanner* text, int* value) {
  const char* p = glmSpaceEnd(text->at);
  if constexpr (GLM_FAST_PATHS) {
    if (const char* stop = glmShortUnsigned(p, text->end, value)) {
      text->at = stop;
      return true;
    }
  }
  bool negative = *p == '-';
  p += negative || *p == '+';
  if (!glmIsDigit(*p)) {
    text->at = p;
    return false;
  }
  if (!value) {
    text->at = glmSkipDigits(p);
    return true;
  }
  while (*p == '0') p++;
  const char* significant = p;
  unsigned long long magnitude = 0;
  for (; glmIsDigit(*p); p++) magnitude = magnitude * 10 + unsigned(*p - '0');
  text->at = p;
  unsigned long long limit = negative ? 0x80000000ull : 0x7fffffffull;
  if (p - significant > 10 || magnitude > limit) magnitude = limit;
  *value = negative ? int(-(long long)magnitude) : int(magnitude);
  return true;
}

// Whether "%f" meets a plain decimal number at p (just after the sign): a digit, or a point
// before a digit, but not the "0x" of a hexadecimal one.
inline bool glmIsPlainDecimal(const char* p) {
  return (glmIsDigit(p[0]) && !(p[0] == '0' && (p[1] | 0x20) == 'x')) || (p[0] == '.' && glmIsDigit(p[1]));
}

// Where "%f" stops in a plain decimal number: digits, one point, digits, and an exponent. The
// exponent marker and its sign are taken even when no digit follows them ("1e" reads as 1).
inline const char* glmDecimalEnd(const char* p) {
  p = glmSkipDigits(p);
  if (*p == '.') p = glmSkipDigits(p + 1);
  if ((*p | 0x20) == 'e') p = glmSkipDigits(p + 1 + (p[1] == '+' || p[1] == '-'));
  return p;
}

// "%f" within the current line, correctly rounded like the C library's strtof: the C library's
// "%f" on the text up to the line end. Colour and vector lines thus never take numbers, or a
// failed number's characters, from the line after them. On failure *value is unchanged and the
// characters the C library would have consumed are consumed. A null `value` only skips the number.
__attribute__((always_inline)) inline bool glmScanFloat(GlmScanner* text, float* value) {
  const char* start = glmBlankEnd(text->at);
  const char* p = start + (*start == '-' || *start == '+');
  if (!glmIsPlainDecimal(p)) {
    text->at = start;
    return glmScanSpecialFloat(text, p, value);
  }
  const char* stop = GLM_FAST_PATHS ? glmShortDecimal(p, text->end, value) : nullptr;
  if (!stop) {
    stop = glmDecimalEnd(p);
    if (value) *value = glmConvertDecimal(p, stop);
  }
  // The magnitude is never negative, so giving it the sign is a negation without a branch.
  if (value) *value = std::copysign(*value, *start == '-' ? -1.0f : 1.0f);
  text->at = stop;
  return true;
}

// The common run of numbers " 1.5 -2 0.25": each after one blank, with an optional minus, of
// the kind glmShortDecimal reads. Stores up to `count` values and returns how many it read,
// stopping before the first number of any other kind; glmScanFloat reads the same.
__attribute__((always_inline)) inline unsigned glmScanShortFloats(GlmScanner* text, float* values, unsigned count) {
  unsigned got = 0;
  for (; got < count && *text->at == ' '; got++) {
    const char* p = text->at + 1;
    bool negative = *p == '-';
    float magnitude;
    const char* stop = glmShortDecimal(p + negative, text->end, &magnitude);
    if (!stop) break;
    values[got] = negative ? -magnitude : magnitude;
    text->at = stop;
  }
  return got;
}

// "%f %f ...": up to `count` numbers into values[0..count), stopping at the first that fails.
// A null `values` only skips them.
__attribute__((always_inline)) inline void glmScanFloats(GlmScanner* text, float* values, unsigned count) {
  unsigned i = GLM_FAST_PATHS && values ? glmScanShortFloats(text, values, count) : 0;
  for (; i < count && glmScanFloat(text, values ? &values[i] : nullptr); i++) {
  }
}

#endif
