#include "figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

Summary summarize(std::vector<double> values) {
    Summary summary;
    summary.count = values.size();
    if (values.empty())
        return {0, NAN, NAN, NAN, NAN};
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    summary.median =
        values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
    const auto rank = static_cast<std::size_t>(std::ceil(0.99 * double(values.size())));
    summary.p99 = values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
    summary.least = values.front();
    summary.most = values.back();
    return summary;
}

std::string format(const char* pattern, double value) {
    if (std::isnan(value))
        return "-";
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

void printTable(const std::vector<Row>& rows) {
    const Row heading{"Figure", "Runs", "Median", "Range / p99, worst", "Goal", "Met"};
    auto cells = [](const Row& row) {
        return std::vector<const std::string*>{&row.figure, &row.runs, &row.median,
                                               &row.spread, &row.goal, &row.met};
    };
    std::vector<std::size_t> widths(6, 0);
    for (const Row* row : {&heading}) {
        const auto all = cells(*row);
        for (std::size_t i = 0; i < all.size(); ++i)
            widths[i] = std::max(widths[i], all[i]->size());
    }
    for (const Row& row : rows) {
        const auto all = cells(row);
        for (std::size_t i = 0; i < all.size(); ++i)
            widths[i] = std::max(widths[i], all[i]->size());
    }
    auto print = [&](const Row& row) {
        std::printf("%-*s  %*s  %*s  %-*s  %-*s  %s\n", int(widths[0]), row.figure.c_str(),
                    int(widths[1]), row.runs.c_str(), int(widths[2]), row.median.c_str(),
                    int(widths[3]), row.spread.c_str(), int(widths[4]), row.goal.c_str(),
                    row.met.c_str());
    };
    print(heading);
    std::size_t total = 10;
    for (const std::size_t width : widths)
        total += width;
    std::printf("%s\n", std::string(total, '-').c_str());
    for (const Row& row : rows)
        print(row);
}
