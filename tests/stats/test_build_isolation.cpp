// The builds of the block products for wider instruction sets must not
// define anything the rest of the program could link to: an inline function
// or template instance shared with the generic code could be taken from the
// AVX-512 object and stop the program on a processor without AVX-512. Each
// such object may define only names in its own namespaces.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Object {
    const char* file;
    std::vector<std::string> own;
};

TEST(BuildIsolation, InstructionSetObjectsDefineOnlyTheirOwnNames) {
    const Object objects[] = {
        {"KernelProductsAvx2.cpp.o", {"KorvaneEigenAvx2", "KernelProductsAvx2::"}},
        {"KernelProductsAvx512.cpp.o", {"KorvaneEigenAvx512", "KernelProductsAvx512::"}},
    };
    const std::filesystem::path dir = std::filesystem::path(KORVANE_BINARY_DIR) / "stats/CMakeFiles/stats.dir";
    int checked = 0;
    for (const Object& o : objects) {
        SCOPED_TRACE(o.file);
        const std::filesystem::path object = dir / o.file;
        if (!std::filesystem::exists(object)) continue;
        const std::string command = "nm -C --defined-only '" + object.string() + "' 2>/dev/null";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        char line[4096];
        int symbols = 0;
        while (std::fgets(line, sizeof line, pipe) != nullptr) {
            std::string text(line);
            // "address type name": lower-case types are local to the object.
            const auto space = text.find(' ');
            if (space == std::string::npos || space + 2 >= text.size()) continue;
            const char type = text[space + 1];
            if (type >= 'a' && type <= 'z') continue;
            const std::string name = text.substr(space + 3);
            ++symbols;
            bool own = name.rfind("DW.ref.__gxx_personality_v0", 0) == 0;
            for (const std::string& prefix : o.own) own = own || name.find(prefix) != std::string::npos;
            EXPECT_TRUE(own) << "defines a name outside its namespaces: " << name;
        }
        const int status = pclose(pipe);
        if (status != 0 || symbols == 0) continue;  // no nm here
        ++checked;
    }
    if (checked == 0) GTEST_SKIP() << "no object files or no nm to check them with";
}

}  // namespace
