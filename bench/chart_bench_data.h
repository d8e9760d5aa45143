#pragma once

// The batch both chart benchmarks draw: 100 000 readings of a 100 nF part
// with 1 % noise and a slow drift, about 5 % of them outside a +-2 % band.

#include <cmath>
#include <random>
#include <vector>

struct ChartBenchData
{
    static constexpr int kPoints = 100000;
    static constexpr double kNominal = 100e-9;
    static constexpr double kLower = kNominal / 1.02;
    static constexpr double kUpper = kNominal / 0.98;

    std::vector<double> x, y;          // every reading
    std::vector<double> rejectX, rejectY; // the rejected ones

    ChartBenchData()
    {
        std::mt19937 rng(14);
        std::normal_distribution<double> noise(0.0, 0.01);
        x.reserve(kPoints);
        y.reserve(kPoints);
        for (int i = 0; i < kPoints; ++i) {
            const double v = kNominal * (1.0 + noise(rng) + 0.003 * std::sin(i / 5000.0));
            x.push_back(i + 1);
            y.push_back(v);
            if (v < kLower || v > kUpper) {
                rejectX.push_back(i + 1);
                rejectY.push_back(v);
            }
        }
    }
};
