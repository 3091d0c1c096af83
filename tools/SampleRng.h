#pragma once
// The random numbers of the sample generators: a small linear congruential
// generator, so the output does not depend on the standard library's
// distributions and every run writes the same bytes.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

class SampleRng {
public:
    explicit SampleRng(std::uint64_t seed) : state_(seed) {}
    double uniform() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(static_cast<std::uint32_t>(state_ >> 33)) / 2147483648.0;
    }
    double between(double a, double b) { return a + (b - a) * uniform(); }
    int poisson(double lambda) {
        const double limit = std::exp(-lambda);
        int k = 0;
        for (double product = uniform(); product > limit; product *= uniform()) ++k;
        return k;
    }

private:
    std::uint64_t state_;
};

// A number with a fixed count of decimals and "." as the decimal sign.
inline std::string sampleNumber(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}
