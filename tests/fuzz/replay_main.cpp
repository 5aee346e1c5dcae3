// Driver for fuzz targets when libFuzzer is not available: runs every file
// of the given corpus folders, then a fixed, reproducible set of random
// inputs. A crash or sanitizer report fails the test.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    size_t runs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path root(argv[i]);
        if (!std::filesystem::exists(root))
            continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            if (!entry.is_regular_file())
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++runs;
        }
    }
    std::mt19937 random(20261208);
    for (int i = 0; i < 2000; ++i) {
        std::vector<uint8_t> bytes(random() % 2048);
        for (auto& b : bytes)
            b = static_cast<uint8_t>(random());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
        ++runs;
    }
    std::printf("%zu inputs replayed\n", runs);
    return 0;
}
