#pragma once
// Names for the cases of parameterised suites: a case's own name, every
// character but letters, digits and '_' made '_', so that every ctest line
// reads as the case it runs.

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <string_view>

inline std::string sanitisedCaseName(std::string_view name) {
    std::string out(name);
    for (char& ch : out)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return out.empty() ? std::string("_") : out;
}

// The generator for suites whose parameter has a `name` field.
struct CaseNameOf {
    template <typename Param>
    std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
        return sanitisedCaseName(info.param.name);
    }
};
