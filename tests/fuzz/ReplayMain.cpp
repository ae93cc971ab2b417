// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a harness on every seed file of a folder, without libFuzzer, and checks that each seed
// is still taken or refused as its name says: "accept-..." must be taken, "refuse-..." must
// be refused, any other name is only run. The seeds are ordinary tests of every build.

#include "FuzzHarness.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SEED_FOLDER\n", argv[0]);
        return 2;
    }
    std::vector<fs::path> seeds;
    for (const auto& entry : fs::directory_iterator(argv[1]))
        if (entry.is_regular_file())
            seeds.push_back(entry.path());
    std::sort(seeds.begin(), seeds.end());
    if (seeds.empty()) {
        std::fprintf(stderr, "no seeds in %s\n", argv[1]);
        return 1;
    }
    int wrong = 0;
    for (const fs::path& seed : seeds) {
        std::ifstream file(seed, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                         std::istreambuf_iterator<char>());
        const bool taken = FuzzOne(bytes.data(), bytes.size());
        const std::string name = seed.filename().string();
        const bool wantTaken = name.rfind("accept-", 0) == 0;
        const bool wantRefused = name.rfind("refuse-", 0) == 0;
        if ((wantTaken && !taken) || (wantRefused && taken)) {
            std::fprintf(stderr, "%s: %s, expected %s\n", name.c_str(), taken ? "taken" : "refused",
                         taken ? "refused" : "taken");
            ++wrong;
        }
    }
    std::printf("%zu seeds, %d not as expected\n", seeds.size(), wrong);
    return wrong == 0 ? 0 : 1;
}
