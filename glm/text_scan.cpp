// The rarely taken paths of the text scanner.
#include "glm/text_scan.h"

#include "glm/memory.h"

#include <fast_float/fast_float.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

unsigned glmLineNumber(const char* start, const char* at) {
  unsigned line = 1;
  for (const char* p = start; (p = static_cast<const char*>(memchr(p, '\n', size_t(at - p)))); p++) line++;
  return line;
}

namespace {

// The span up to an embedded '\0', where a C string would end.
GlmSpan asCString(GlmSpan span) {
  const char* nul = static_cast<const char*>(memchr(span.text, '\0', span.length));
  return {span.text, nul ? size_t(nul - span.text) : span.length};
}

size_t copyToBuffer(const char* text, size_t length, char* buffer) {
  if (length > GLM_WORD_MAX) length = GLM_WORD_MAX;
  memcpy(buffer, text, length);
  buffer[length] = '\0';
  return length;
}

// The next white-space-delimited word at or after `from`, within [from, end).
GlmSpan nextWord(const char* from, const char* end) {
  while (from < end && glmIsSpace(*from)) from++;
  const char* stop = from;
  while (stop < end && !glmIsSpace(*stop)) stop++;
  return {from, size_t(stop - from)};
}

}  // namespace

size_t glmSpanToString(GlmSpan span, char* buffer) {
  span = asCString(span);
  return copyToBuffer(span.text, span.length, buffer);
}

void glmLineName(GlmSpan line, char* buffer) {
  line = asCString(line);
  const char* end = line.text + line.length;
  GlmSpan first = nextWord(line.text, end);
  GlmSpan second = nextWord(first.text + first.length, end);
  GlmSpan name = second.length ? second : first;
  copyToBuffer(name.text, name.length, buffer);
}

void glmTrimmedLine(GlmSpan line, char* buffer) {
  line = asCString(line);
  const char* start = line.text;
  const char* end = line.text + line.length;
  while (start < end && glmIsSpace(*start)) start++;
  while (end > start && glmIsSpace(end[-1])) end--;
  copyToBuffer(start, size_t(end - start), buffer);
}

namespace {

// Consumes the characters of `word` (lower case) in any letter case. Like the C library, it
// also consumes the first character that does not match, unless the input (the line) has ended.
bool matchFolded(GlmScanner* text, const char** p, const char* word) {
  for (; *word; word++, (*p)++) {
    if (*p == text->end || **p == '\n') return false;
    if ((**p | 0x20) != *word) {
      (*p)++;
      return false;
    }
  }
  return true;
}

bool scanInfinityOrNan(GlmScanner* text, const char* p, float* value) {
  bool nan = (*p | 0x20) == 'n';
  bool whole = matchFolded(text, &p, nan ? "nan" : "inf");
  if (whole && !nan && (*p | 0x20) == 'i') whole = matchFolded(text, &p, "inity");
  bool negative = *text->at == '-';
  text->at = p;
  if (whole && value) *value = std::copysign(nan ? NAN : INFINITY, negative ? -1.0f : 1.0f);
  return whole;
}

// The characters the C library collects for a hexadecimal float: hex digits, one point, and a
// binary exponent "p" (after a digit) with an optional sign and decimal digits.
const char* hexFloatEnd(const char* p, const char* end) {
  bool gotDigit = false, gotDot = false, gotExponent = false;
  for (; p < end; p++) {
    char c = *p;
    if (glmIsDigit(c) || (!gotExponent && ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'))) {
      gotDigit = true;
    } else if (gotExponent && (p[-1] | 0x20) == 'p' && (c == '+' || c == '-')) {
    } else if (gotDigit && !gotExponent && (c | 0x20) == 'p') {
      gotExponent = gotDot = true;
    } else if (!gotDot && c == '.') {
      gotDot = true;
    } else {
      break;
    }
  }
  return p;
}

bool scanHexFloat(GlmScanner* text, const char* p, float* value) {
  const char* mantissa = p + 2;
  const char* stop = hexFloatEnd(mantissa, text->end);
  const char* start = text->at;
  text->at = stop;
  if (stop == mantissa) return false;
  if (!value) return true;
  // Rare enough that the C library's own conversion can do it, from a terminated copy.
  char* copy = glmCopyStringPart(start, size_t(stop - start));
  *value = strtof(copy, nullptr);
  free(copy);
  return true;
}

}  // namespace

float glmConvertDecimal(const char* p, const char* stop) {
  float value = 0;
  fast_float::from_chars(p, stop, value);
  return value;
}

bool glmScanSpecialFloat(GlmScanner* text, const char* digits, float* value) {
  char first = char(*digits | 0x20);
  if (digits < text->end && (first == 'i' || first == 'n')) return scanInfinityOrNan(text, digits, value);
  if (digits[0] == '0' && (digits[1] | 0x20) == 'x') return scanHexFloat(text, digits, value);
  // No number: the sign, and a point not followed by a digit, are consumed all the same.
  text->at = digits + (*digits == '.');
  return false;
}
