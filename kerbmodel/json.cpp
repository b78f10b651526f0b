#include "kerbmodel/json.h"

#include <cmath>
#include <cstdio>

namespace {
const char* const REPLACEMENT_CHARACTER = "\\ufffd";

// Length (2 to 4) of the well-formed UTF-8 sequence that starts with the byte at `s`, which is
// not ASCII; 0 when the bytes there are not one (overlong forms, surrogates and values beyond
// U+10FFFF included). Reads no further than the first byte that does not fit, so never past
// the terminating 0.
int utf8SequenceLength(const unsigned char* s) {
  int length;
  unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
  if (s[0] >= 0xC2 && s[0] <= 0xDF) {
    length = 2;
  } else if (s[0] >= 0xE0 && s[0] <= 0xEF) {
    length = 3;
    if (s[0] == 0xE0) low = 0xA0;
    if (s[0] == 0xED) high = 0x9F;
  } else if (s[0] >= 0xF0 && s[0] <= 0xF4) {
    length = 4;
    if (s[0] == 0xF0) low = 0x90;
    if (s[0] == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (s[1] < low || s[1] > high) return 0;
  for (int i = 2; i < length; i++)
    if (s[i] < 0x80 || s[i] > 0xBF) return 0;
  return length;
}

void appendAscii(std::string* out, unsigned char c) {
  switch (c) {
    case '"':
      *out += "\\\"";
      return;
    case '\\':
      *out += "\\\\";
      return;
    case '\n':
      *out += "\\n";
      return;
    case '\r':
      *out += "\\r";
      return;
    case '\t':
      *out += "\\t";
      return;
  }
  if (c < 0x20 || c == 0x7F) {
    char escaped[8];
    snprintf(escaped, sizeof escaped, "\\u%04x", c);
    *out += escaped;
    return;
  }
  *out += char(c);
}
}  // namespace

void appendJsonString(std::string* out, const char* text) {
  *out += '"';
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  while (*s) {
    if (*s < 0x80) {
      appendAscii(out, *s++);
      continue;
    }
    int length = utf8SequenceLength(s);
    if (length == 0) {
      *out += REPLACEMENT_CHARACTER;
      s++;
      continue;
    }
    out->append(reinterpret_cast<const char*>(s), length);
    s += length;
  }
  *out += '"';
}

void appendJsonNumber(std::string* out, double value) {
  if (!std::isfinite(value)) {
    *out += "null";
    return;
  }
  char number[32];
  snprintf(number, sizeof number, "%.9g", value);
  *out += number;
}
