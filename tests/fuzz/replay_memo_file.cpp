// Runs the memo-file fuzz target over the seed corpus and a fixed set of mutations of each seed,
// so that the check runs where no fuzzing compiler is installed.
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "tests/fuzz/seed_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

static void Run(const std::vector<uint8_t> &bytes, size_t *runs)
{
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    ++*runs;
}

int main(int argc, char **argv)
{
    if (argc != 2)
    {
        fprintf(stderr, "usage: replay_memo_file CORPUS_DIR\n");
        return 2;
    }
    std::vector<std::vector<uint8_t>> seeds = ReadSeedFolder(argv[1]);
    if (seeds.empty())
    {
        fprintf(stderr, "no seeds in %s\n", argv[1]);
        return 1;
    }
    size_t runs = 0;
    uint32_t random = 12345;
    const uint8_t interesting[] = {0x00, 0x01, 0x03, 0x04, 0x05, 0x7F, 0x80, 0xFE, 0xFF};
    for (const std::vector<uint8_t> &seed : seeds)
    {
        Run(seed, &runs);
        for (size_t cut = 0; cut < seed.size(); cut++)
            Run(std::vector<uint8_t>(seed.begin(), seed.begin() + cut), &runs);
        for (size_t i = 0; i < seed.size(); i++)
        {
            for (int bit = 0; bit < 8; bit++)
            {
                std::vector<uint8_t> flipped = seed;
                flipped[i] ^= (uint8_t)(1 << bit);
                Run(flipped, &runs);
            }
            for (uint8_t value : interesting)
            {
                std::vector<uint8_t> set = seed;
                set[i] = value;
                Run(set, &runs);
                std::vector<uint8_t> inserted = seed;
                inserted.insert(inserted.begin() + i, value);
                Run(inserted, &runs);
            }
        }
        for (int n = 0; n < 2000; n++)
        {
            std::vector<uint8_t> mutated = seed;
            for (int k = 0; k < 1 + n % 4; k++)
            {
                random = random * 1103515245 + 12345;
                if (mutated.empty()) break;
                mutated[(random >> 8) % mutated.size()] = (uint8_t)(random >> 24);
            }
            Run(mutated, &runs);
        }
    }
    printf("%zu inputs from %zu seeds\n", runs, seeds.size());
    return 0;
}
