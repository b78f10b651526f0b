// JSON text for kerbmodel's reports.
#ifndef KERBMODEL_JSON_H
#define KERBMODEL_JSON_H

#include <string>

// Appends `text` as a JSON string: quotes, backslashes and control characters escaped; byte
// sequences that are not well-formed UTF-8 (model files may hold any bytes in their names)
// each become U+FFFD, so the output is always valid JSON.
void appendJsonString(std::string* out, const char* text);
// Appends `value` as a JSON number precise enough to give the same float back, or null for
// infinities and NaN, which JSON cannot hold.
void appendJsonNumber(std::string* out, double value);

#endif
