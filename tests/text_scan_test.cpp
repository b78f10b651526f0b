// The readers' scanner checked against the C library's formatted input on the same bytes: the
// same success, the same value to the bit, and the same number of characters consumed.
#include "glm/text_scan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace {

template <typename T>
struct Scanned {
  bool ok;
  T value;
  long consumed;
};

template <typename T>
Scanned<T> libraryScan(const std::string& input, const char* format) {
  FILE* file = fmemopen(const_cast<char*>(input.data()), input.size(), "r");
  T value{};
  bool ok = fscanf(file, format, &value) == 1;
  long consumed = ftell(file);
  fclose(file);
  return {ok, value, consumed};
}

template <typename T>
Scanned<T> ourScan(const std::string& input, bool (*scan)(GlmScanner*, T*)) {
  GlmScanner text = {input.c_str(), input.c_str() + input.size()};
  T value{};
  bool ok = scan(&text, &value);
  return {ok, value, long(text.at - input.c_str())};
}

bool sameFloat(float a, float b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
  return memcmp(&a, &b, sizeof a) == 0;
}

// Numbers near the end of the input take the general path, numbers with bytes to spare after
// them the eight-bytes-at-a-time one; every input is checked both ways.
const std::string MORE_TEXT = " 0123456789 more text after the number\n";

// A number never reaches past its line: the oracle reads only the text up to the line end.
void expectSameFloatScanAtEnd(const std::string& input) {
  Scanned<float> expected = libraryScan<float>(input.substr(0, input.find('\n')), "%f");
  Scanned<float> actual = ourScan<float>(input, glmScanFloat);
  ASSERT_EQ(actual.ok, expected.ok) << '"' << input << '"';
  ASSERT_EQ(actual.consumed, expected.consumed) << '"' << input << '"';
  if (expected.ok) {
    ASSERT_TRUE(sameFloat(actual.value, expected.value)) << '"' << input << '"';
  }
}

void expectSameFloatScan(const std::string& input) {
  expectSameFloatScanAtEnd(input);
  expectSameFloatScanAtEnd(input + MORE_TEXT);
}

std::string randomText(std::mt19937& random, const std::string& alphabet, size_t maxLength) {
  std::string text(random() % (maxLength + 1), ' ');
  for (char& c : text) c = alphabet[random() % alphabet.size()];
  return text;
}

std::string randomDecimal(std::mt19937& random) {
  std::string text = random() % 2 ? "-" : "";
  int digits = 1 + int(random() % 24);
  int point = int(random() % (digits + 1));
  for (int i = 0; i < digits; i++) {
    if (i == point) text += '.';
    text += char('0' + random() % 10);
  }
  if (random() % 2) text += "e" + std::to_string(int(random() % 100) - 55);
  return text;
}

}  // namespace

TEST(ScanFloat, MatchesTheCLibraryOnOrdinaryAndOddNumbers) {
  for (const char* input : {"1", "-0", "1.", "1.5", "1.5e3", "1.5x", "0x1", "1234567.1234567", "12345678.5", "1.12345678",
                            "16777216", "16777217", "1677721.7", "16777.219", "0.000000", "9999999.9999999",
                            "12345678901234567890", " \n\t-2.5x", " \t-2.5\n", "\r\n1", "-\n1", "infin\nity", "na\nn", "+3", ".5", "5.", "1.e5", "1e", "1e+", "1E-3 7", "1e5e+", "1e5.5",
                            "1..2", "-", "+.", ".", ".e5", "e5", "inf", "-INFINITY", "infin", "nan", "nAnx", "na",
                            "0x1p3", "0x", "0x.", "0xp", "-0x1.8P-2z", "00012", "3.4028236e38", "1e-46", "7e-46",
                            "0.000000000000000000000000000000000000000000001401298464324817"})
    expectSameFloatScan(input);
}

TEST(ScanFloat, MatchesTheCLibraryOnRandomText) {
  std::mt19937 random(2024);
  for (int i = 0; i < 20000; i++) expectSameFloatScan(randomText(random, "0123456789012345.eE+-xXpPaAfFiInNtTy \n", 10));
}

TEST(ScanFloat, RoundsRandomDecimalsExactlyLikeTheCLibrary) {
  std::mt19937 random(7);
  for (int i = 0; i < 50000; i++) expectSameFloatScan(randomDecimal(random));
}

// Lines of up to four numbers, mostly plain decimals after one blank, read three at a time:
// the values and the end of each read as the C library's "%f", one number after another, on the
// text up to the line end.
TEST(ScanFloats, ReadAVectorLineLikeTheCLibrary) {
  std::mt19937 random(3);
  const char* const separators[] = {" ", " ", " ", "  ", "\t", " +", " -"};
  for (int i = 0; i < 20000; i++) {
    std::string line;
    for (int k = int(random() % 5); k > 0; k--)
      line += separators[random() % std::size(separators)] +
              (random() % 8 ? randomDecimal(random) : randomText(random, "0123456789.-exn", 4));
    std::string input = line + "\n7.5" + MORE_TEXT;  // a number on the next line must stay there
    GlmScanner text = {input.c_str(), input.c_str() + input.size()};
    float values[3] = {};
    glmScanFloats(&text, values, 3);
    long at = 0;
    for (int k = 0; k < 3; k++) {
      Scanned<float> expected = libraryScan<float>(line.substr(size_t(at)), "%f");
      at += expected.consumed;
      if (!expected.ok) break;
      ASSERT_TRUE(sameFloat(values[k], expected.value)) << '"' << line << "\" number " << k;
    }
    ASSERT_EQ(text.at - input.c_str(), at) << '"' << line << '"';
  }
}

TEST(ScanInt, MatchesTheCLibraryOnRandomText) {
  std::mt19937 random(11);
  for (int i = 0; i < 40000; i++) {
    std::string input = randomText(random, "000123456789+- \n/x", 14) + (i % 2 ? MORE_TEXT : "");
    Scanned<int> expected = libraryScan<int>(input, "%d");
    Scanned<int> actual = ourScan<int>(input, glmScanInt);
    ASSERT_EQ(actual.ok, expected.ok) << '"' << input << '"';
    ASSERT_EQ(actual.consumed, expected.consumed) << '"' << input << '"';
    // Beyond the range of int the C library wraps round, and the scanner saturates on purpose.
    long long wide = 0;
    sscanf(input.c_str(), "%lld", &wide);
    if (expected.ok && wide >= INT_MIN && wide <= INT_MAX) {
      ASSERT_EQ(actual.value, expected.value) << '"' << input << '"';
    }
  }
}

// The eight-bytes-at-a-time digit count, against a byte loop: every byte value at every place
// after digits, and random mixes of the bytes around '0' and '9' and those whose carry crosses
// into the next byte.
TEST(DigitRun, CountsTheLeadingDigitsOfAnyEightBytes) {
  auto loopCount = [](const char* bytes) {
    unsigned run = 0;
    while (run < 8 && bytes[run] >= '0' && bytes[run] <= '9') run++;
    return run;
  };
  char bytes[8];
  for (int place = 0; place < 8; place++)
    for (int byte = 0; byte < 256; byte++) {
      memset(bytes, '7', sizeof bytes);
      bytes[place] = char(byte);
      ASSERT_EQ(glmDigitRun(glmLoadEight(bytes)), loopCount(bytes)) << place << ' ' << byte;
    }
  const char mix[] = {'/', '0', '5', '9', ':', ' ', '\n', '\0', char(0xf9), char(0xfa), char(0xff), char(0x80)};
  std::mt19937 random(5);
  for (int i = 0; i < 200000; i++) {
    for (char& byte : bytes) byte = mix[random() % sizeof mix];
    ASSERT_EQ(glmDigitRun(glmLoadEight(bytes)), loopCount(bytes)) << std::string(bytes, 8);
  }
}

TEST(ScanInt, SaturatesInsteadOfWrappingRound) {
  GlmScanner text;
  int value = 0;
  std::string input = "4294967295 -99999999999 00000000000000000000012";
  text = {input.c_str(), input.c_str() + input.size()};
  ASSERT_TRUE(glmScanInt(&text, &value));
  EXPECT_EQ(value, INT_MAX);
  ASSERT_TRUE(glmScanInt(&text, &value));
  EXPECT_EQ(value, INT_MIN);
  ASSERT_TRUE(glmScanInt(&text, &value));
  EXPECT_EQ(value, 12);
}

TEST(ScanWord, TakesAtMost127CharactersAndLeavesTheRestForTheNextWord) {
  std::string input = "  " + std::string(130, 'a') + "\n";
  GlmScanner text = {input.c_str(), input.c_str() + input.size()};
  GlmSpan word;
  ASSERT_TRUE(glmScanWord(&text, &word));
  EXPECT_EQ(word.length, 127u);
  ASSERT_TRUE(glmScanWord(&text, &word));
  EXPECT_EQ(std::string(word.text, word.length), "aaa");
  EXPECT_FALSE(glmScanWord(&text, &word));
}

// Word after word, as "%127s" reads them from the same text, short keywords among them.
TEST(ScanWord, MatchesTheCLibraryWordAfterWordOnRandomText) {
  std::mt19937 random(17);
  for (int i = 0; i < 20000; i++) {
    std::string input = randomText(random, "vfgnt1 \n\t\r", 12) + (i % 2 ? MORE_TEXT : "");
    GlmScanner text = {input.c_str(), input.c_str() + input.size()};
    FILE* file = fmemopen(const_cast<char*>(input.data()), input.size(), "r");
    char expected[128];
    GlmSpan word;
    while (fscanf(file, "%127s", expected) == 1) {
      ASSERT_TRUE(glmScanWord(&text, &word)) << '"' << input << '"';
      ASSERT_EQ(std::string(word.text, word.length), expected) << '"' << input << '"';
      ASSERT_EQ(text.at - input.c_str(), ftell(file)) << '"' << input << '"';
    }
    fclose(file);
    EXPECT_FALSE(glmScanWord(&text, &word)) << '"' << input << '"';
  }
}

// The four-byte look for the same keyword again finds it only where glmShortKeyword finds that
// keyword, at every place in random text, and always when a space follows it there.
TEST(SameShortKeyword, AgreesWithTheShortKeywordScan) {
  std::mt19937 random(23);
  const std::string keywords[] = {"v", "vt", "f", "vertex"};
  for (int i = 0; i < 20000; i++) {
    std::string input = randomText(random, "vfnt1 \n\t", 6);
    const char* end = input.c_str() + input.size();
    for (const char* at = input.c_str(); at < end; at++)
      for (const std::string& keyword : keywords) {
        const char* start;
        size_t length = glmShortKeyword(at, end, &start);
        bool same = length == keyword.size() && std::string(start, length) == keyword;
        const char* found = glmSameShortKeyword(at, end, glmKeywordBytes(keyword.c_str(), keyword.size()));
        ASSERT_EQ(found, same && start[length] == ' ' ? start : nullptr)
            << '"' << input << "\" at " << at - input.c_str() << ", " << keyword;
      }
  }
}

TEST(ScanLine, ReadsThroughTheLineEndButAtMost127Characters) {
  std::string input = "short\r\n" + std::string(200, 'b');
  GlmScanner text = {input.c_str(), input.c_str() + input.size()};
  EXPECT_EQ(glmScanLine(&text).length, 7u);
  EXPECT_EQ(glmScanLine(&text).length, 127u);
  EXPECT_EQ(glmScanLine(&text).length, 73u);
  EXPECT_EQ(glmScanLine(&text).length, 0u);
}

TEST(LineName, IsTheSecondWordWhenThereAreTwoOrMore) {
  char name[GLM_WORD_BUFFER];
  auto nameOf = [&](const std::string& line) {
    glmLineName({line.data(), line.size()}, name);
    return std::string(name);
  };
  EXPECT_EQ(nameOf(" one\r\n"), "one");
  EXPECT_EQ(nameOf(" one two three\n"), "two");
  EXPECT_EQ(nameOf(" \t\r\n"), "");
  EXPECT_EQ(nameOf(std::string(" a\0 b", 5)), "a");
}
