#pragma once
// Shared pieces of the benchmarks: timing with medians, the output format, and a
// generator of realistic address records.

#include "db/AddressTable.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace nrt::bench {

// Median wall time of `runs` calls, in milliseconds.
double MedianMs(int runs, const std::function<void()>& job);

// One figure per line: "name value unit".
inline void Print(const char* name, double value, const char* unit)
{
    std::printf("%s %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

// A folder under /tmp for the benchmark's files, removed at exit.
std::string ScratchDir();

// Stops the benchmark when the table refuses a value or a record it builds: the
// figures would be of other data than they say.
void Require(RecordError code);

// Fills the table (default schema) with `count` plausible Japanese address records;
// the same seed gives the same records.
void FillTable(AddressTable& db, int count, unsigned seed = 20261209);

} // namespace nrt::bench
