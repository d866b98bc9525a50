// Runs the DEFLATE decoder's fuzz target over the manual's pages and fixed mutations of them, and over
// small streams of every block type, so that the check runs where no fuzzing compiler is installed.
#include <stdint.h>
#include <stdio.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "tests/fuzz/seed_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

static std::vector<uint8_t> Deflate(const std::vector<uint8_t> &data, int level, int strategy)
{
    z_stream z = {};
    deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy);
    std::vector<uint8_t> out(deflateBound(&z, data.size()) + 16);
    z.next_in = (uint8_t *)(data.data());
    z.avail_in = (uInt)data.size();
    z.next_out = out.data();
    z.avail_out = (uInt)out.size();
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

int main(int argc, char **argv)
{
    if (argc != 2)
    {
        fprintf(stderr, "usage: replay_inflate PAGES_DIR\n");
        return 2;
    }
    std::vector<std::vector<uint8_t>> seeds = ReadSeedFolder(argv[1]);
    if (seeds.size() != 11)
    {
        fprintf(stderr, "expected the eleven pages in %s\n", argv[1]);
        return 1;
    }
    // Small streams of each block type, where a mutation soon reaches every field.
    std::vector<uint8_t> text;
    for (int i = 0; i < 600; i++) text.push_back((uint8_t)("HKEY_CURRENT_USER\\Software "[i % 27] + (i % 97 == 0)));
    const int strategies[][2] = {{0, Z_DEFAULT_STRATEGY}, {9, Z_FIXED}, {9, Z_DEFAULT_STRATEGY}, {9, Z_RLE}};
    for (const auto &s : strategies) seeds.push_back(Deflate(text, s[0], s[1]));

    size_t runs = 0;
    uint32_t random = 2024;
    for (const std::vector<uint8_t> &seed : seeds)
    {
        LLVMFuzzerTestOneInput(seed.data(), seed.size());
        runs++;
        bool small = seed.size() < 2000;
        // Damage near the start reaches the block header and the code lengths; later, the data.
        size_t span = small ? seed.size() : 64;
        for (size_t i = 0; i < span; i++)
        {
            for (int bit = 0; bit < 8; bit++)
            {
                std::vector<uint8_t> flipped = seed;
                flipped[i] ^= (uint8_t)(1 << bit);
                LLVMFuzzerTestOneInput(flipped.data(), flipped.size());
                runs++;
            }
        }
        for (size_t cut = 0; cut < seed.size(); cut += small ? 1 : seed.size() / 40 + 1)
        {
            LLVMFuzzerTestOneInput(seed.data(), cut);
            runs++;
        }
        for (int n = 0; n < (small ? 400 : 60); n++)
        {
            std::vector<uint8_t> mutated = seed;
            for (int k = 0; k < 1 + n % 3; k++)
            {
                random = random * 1103515245 + 12345;
                mutated[(random >> 8) % mutated.size()] = (uint8_t)(random >> 24);
            }
            LLVMFuzzerTestOneInput(mutated.data(), mutated.size());
            runs++;
        }
    }
    printf("%zu inputs from %zu seeds\n", runs, seeds.size());
    return 0;
}
