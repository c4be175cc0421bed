#pragma once
// A small national postal-code list written by hand, and the pieces of the dictionary
// files it must give, built from the file formats (not by the code under test).

#include "support/TestSupport.h"

#include <string>
#include <string_view>
#include <vector>

namespace nrt::test {

struct ListLine {
    const char* jis; // local government code
    const char* code;
    const char* prefReading;
    const char* cityReading;
    const char* townReading;
    const char* pref;
    const char* city;
    const char* town;
};

// One line of the national list as published: 15 columns, texts quoted, CR LF.
std::string ListLineBytes(const ListLine& l);
// Those lines one after another.
std::string ListBytes(const std::vector<ListLine>& lines);

// The hand-made list: four prefectures; 千代田区's records are interrupted by 渋谷区 and
// its last record lies in another 512-byte block; two towns share 540-0002; two empty
// lines follow the eleven records.
std::string SampleList();

// The eleven records in the order the sort must give, written down by hand.
const std::vector<ListLine>& SampleSorted();

// Zero-ended CP932 fields from UTF-8 texts, as the dictionary's lines hold them.
std::string Fields(std::initializer_list<std::string_view> utf8);

} // namespace nrt::test
