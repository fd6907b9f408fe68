// Row reconstruction against the filter definitions written out plainly, for
// every filter type, filter unit and row length, with and without a row above.
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>

#include "png/png_internal.h"

namespace vurk {
namespace {

uint8_t plainPaeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
    return static_cast<uint8_t>(pb <= pc ? b : c);
}

std::vector<uint8_t> plainUnfilter(uint8_t type, const std::vector<uint8_t>& in, const uint8_t* prev, size_t unit) {
    std::vector<uint8_t> out(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        const int a = i >= unit ? out[i - unit] : 0;
        const int b = prev ? prev[i] : 0;
        const int c = prev && i >= unit ? prev[i - unit] : 0;
        const int predictor = type == 1 ? a : type == 2 ? b : type == 3 ? (a + b) / 2 : plainPaeth(a, b, c);
        out[i] = static_cast<uint8_t>(in[i] + predictor);
    }
    return out;
}

TEST(PngFiltersTest, EveryTypeAndUnitMatchesTheDefinition) {
    std::mt19937 rng(5);
    int cases = 0;
    for (size_t unit : {1, 2, 3, 4, 6, 8}) {
        for (size_t pixels : {1, 2, 3, 5, 16, 31, 100}) {
            const size_t n = unit * pixels + (unit == 1 ? rng() % 3 : 0);
            for (int round = 0; round < 4; ++round) {
                // Rows exactly n bytes long, so that reading past them shows
                // under the address sanitizer; smooth rows make every Paeth
                // branch and tie come up.
                std::vector<uint8_t> in(n), above(n);
                for (size_t i = 0; i < n; ++i) {
                    in[i] = static_cast<uint8_t>(round < 2 ? rng() : rng() % 3 == 0 ? 1 + 254 * (rng() % 2) : 0);
                    above[i] = static_cast<uint8_t>(round == 0 ? rng() : round == 1 ? i * 7 : rng() % 3);
                }
                for (uint8_t type = 1; type <= 4; ++type) {
                    for (const uint8_t* prev : {static_cast<const uint8_t*>(nullptr), static_cast<const uint8_t*>(above.data())}) {
                        std::vector<uint8_t> out(n + 8);
                        unfilterRow(type, in.data(), prev, out.data(), n, unit);
                        out.resize(n);
                        ++cases;
                        ASSERT_EQ(out, plainUnfilter(type, in, prev, unit))
                            << "type " << int(type) << " unit " << unit << " n " << n << (prev ? "" : " first row");
                    }
                }
            }
        }
    }
    EXPECT_EQ(cases, 6 * 7 * 4 * 4 * 2);
}

}  // namespace
}  // namespace vurk
