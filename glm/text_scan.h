// Word, line and number scanning for the OBJ and MTL readers (not part of the public interface).
//
// Both dialects are defined in terms of the C library's formatted input on a text stream:
// "%127s" words, line remainders of at most 127 characters (a 128-byte fgets), "%d" and "%f"
// numbers that skip white space first. The readers take the whole file into memory once and
// scan it with these functions, which reproduce those semantics exactly, including how much
// input a partly matching number consumes.
#ifndef GLM_TEXT_SCAN_H
#define GLM_TEXT_SCAN_H

#include <fast_float/fast_float.h>

#include <climits>
#include <cstddef>
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

// The whole file, followed by a '\0', in a heap block the caller frees; its length goes to *size.
// Null when the file cannot be opened or read, or is a directory.
char* glmReadWholeFile(const char* path, size_t* size);

// Line number (1-based) of position `at` in the buffer that starts at `start`.
unsigned glmLineNumber(const char* start, const char* at);

// Copies a span into `buffer` (GLM_WORD_MAX + 1 bytes) as a C string: stops at an embedded
// '\0', as the C library's string functions would.
void glmSpanToString(GlmSpan span, char* buffer);

// The name a line remainder gives: its second word when it holds two or more, its only word
// otherwise, "" when it holds none. Written into `buffer` (GLM_WORD_MAX + 1 bytes).
void glmLineName(GlmSpan line, char* buffer);

// The line remainder without the white space around it, into `buffer` (GLM_WORD_MAX + 1 bytes).
void glmTrimmedLine(GlmSpan line, char* buffer);

// "%f" where the plain decimal fast path does not apply: infinities, NaN, hexadecimal, no number.
// `digits` is the position after the optional sign.
bool glmScanSpecialFloat(GlmScanner* text, const char* digits, float* value);

inline bool glmIsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool glmIsDigit(char c) { return c >= '0' && c <= '9'; }

inline void glmSkipSpace(GlmScanner* text) {
  while (glmIsSpace(*text->at)) text->at++;
}

// "%127s": false at the end of the input.
inline bool glmScanWord(GlmScanner* text, GlmSpan* word) {
  glmSkipSpace(text);
  const char* start = text->at;
  size_t room = size_t(text->end - start) < GLM_WORD_MAX ? size_t(text->end - start) : GLM_WORD_MAX;
  const char* stop = start;
  while (stop < start + room && !glmIsSpace(*stop)) stop++;
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
// range of int saturate, so they can never wrap round into a valid index.
inline bool glmScanInt(GlmScanner* text, int* value) {
  glmSkipSpace(text);
  const char* p = text->at;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') p++;
  if (!glmIsDigit(*p)) {
    text->at = p;
    return false;
  }
  long long magnitude = 0;
  for (; glmIsDigit(*p); p++)
    if (magnitude <= INT_MAX) magnitude = magnitude * 10 + (*p - '0');
  text->at = p;
  long long limit = negative ? -(long long)INT_MIN : INT_MAX;
  if (magnitude > limit) magnitude = limit;
  *value = int(negative ? -magnitude : magnitude);
  return true;
}

// "%f", correctly rounded like the C library's strtof. On failure *value is unchanged and the
// characters the C library would have consumed are consumed.
inline bool glmScanFloat(GlmScanner* text, float* value) {
  glmSkipSpace(text);
  const char* start = text->at;
  const char* p = start + (*start == '-' || *start == '+');
  bool hexadecimal = p[0] == '0' && (p[1] | 0x20) == 'x';
  if (!(glmIsDigit(*p) || (*p == '.' && glmIsDigit(p[1]))) || hexadecimal)
    return glmScanSpecialFloat(text, p, value);
  float parsed;
  p = fast_float::from_chars(p, text->end, parsed).ptr;
  // An exponent marker without digits ("1e", "1e+") still belongs to the number for scanf.
  if ((*p | 0x20) == 'e' && !memchr(start, 'e', size_t(p - start)) && !memchr(start, 'E', size_t(p - start))) {
    p += 1 + (p[1] == '+' || p[1] == '-');
  }
  text->at = p;
  *value = *start == '-' ? -parsed : parsed;
  return true;
}

// "%f %f ...": up to `count` numbers into values[0..count), stopping at the first that fails.
inline void glmScanFloats(GlmScanner* text, float* values, unsigned count) {
  for (unsigned i = 0; i < count && glmScanFloat(text, &values[i]); i++) {
  }
}

#endif
