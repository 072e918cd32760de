#pragma once

#include <string>
#include <vector>

// A set of samples summed up: median, nearest-rank 99th percentile, least and most.
struct Summary {
    std::size_t count = 0;
    double median = 0;
    double p99 = 0;
    double least = 0;
    double most = 0;
};
Summary summarize(std::vector<double> values);

// printf into a std::string.
std::string format(const char* pattern, double value);

// One row of the bench's table; empty cells stay blank.
struct Row {
    std::string figure;
    std::string runs;
    std::string median;
    std::string spread; // range, or p99 and worst
    std::string goal;
    std::string met;
};
void printTable(const std::vector<Row>& rows);
