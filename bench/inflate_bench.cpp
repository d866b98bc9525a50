// Decoding the manual's eleven pages: the manual printer's bit-serial decoder against zlib's raw
// inflate of the same streams, in the same run. Prints the ratio and the page buffer's peak size.
#include <zlib.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <chrono>
#include <string>
#include <vector>

#include "manualprint/inflate.h"

static int gGrowths;

static unsigned char *Grow(unsigned char *buffer, size_t cbNew)
{
    gGrowths++;
    return (unsigned char *)realloc(buffer, cbNew);
}
static void Report(PageFailure)
{
    fprintf(stderr, "a page failed to decode\n");
    exit(1);
}

static std::vector<unsigned char> ReadAll(const std::string &path)
{
    std::vector<unsigned char> bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) return bytes;
    int c;
    while ((c = fgetc(f)) != EOF) bytes.push_back((unsigned char)c);
    fclose(f);
    return bytes;
}

static double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

int main(int argc, char **argv)
{
    const char *dir = argc > 1 ? argv[1] : "manualprint/pages";
    int passes = argc > 2 ? atoi(argv[2]) : 20;
    std::vector<std::vector<unsigned char>> pages;
    size_t cbCompressed = 0;
    for (int n = 1; n <= 11; n++)
    {
        char name[16];
        snprintf(name, sizeof name, "/%02d.bin", n);
        pages.push_back(ReadAll(std::string(dir) + name));
        if (pages.back().empty())
        {
            fprintf(stderr, "missing page %d in %s\n", n, dir);
            return 1;
        }
        cbCompressed += pages.back().size();
    }

    gPageMemory.grow = Grow;
    gPageMemory.report = Report;
    std::vector<unsigned char> out(16 << 20);
    size_t cbDecoded = 0, largest = 0;
    double ours = 0, theirs = 0;
    size_t peak = 0;
    int growthsFirstPass = 0;
    for (int pass = 0; pass < passes; pass++)
    {
        // As the program prints: a fresh 10000-byte buffer, reused for all eleven pages.
        pageBuffer = (unsigned char *)malloc(PAGE_GROWTH);
        pageCapacity = PAGE_GROWTH;
        gGrowths = 0;
        auto start = std::chrono::steady_clock::now();
        for (const auto &page : pages)
            if (InflatePage(page.data(), page.size()) != 0) return 1;
        ours += Seconds(std::chrono::steady_clock::now() - start);
        if (pass == 0) growthsFirstPass = gGrowths;
        peak = pageCapacity;
        free(pageBuffer);

        start = std::chrono::steady_clock::now();
        size_t total = 0;
        for (const auto &page : pages)
        {
            z_stream z = {};
            inflateInit2(&z, -15);
            z.next_in = (unsigned char *)(page.data());
            z.avail_in = (uInt)page.size();
            z.next_out = out.data();
            z.avail_out = (uInt)out.size();
            if (inflate(&z, Z_FINISH) != Z_STREAM_END) return 1;
            total += z.total_out;
            if (z.total_out > largest) largest = z.total_out;
            inflateEnd(&z);
        }
        theirs += Seconds(std::chrono::steady_clock::now() - start);
        cbDecoded = total;
    }
    printf("eleven pages: %zu bytes compressed, %zu bytes of metafiles (largest page %zu)\n", cbCompressed, cbDecoded,
           largest);
    printf("InflatePage: %.2f ms a pass (%.1f MB/s)\n", ours / passes * 1e3, cbDecoded / (ours / passes) / 1e6);
    printf("zlib inflate: %.2f ms a pass (%.1f MB/s)\n", theirs / passes * 1e3, cbDecoded / (theirs / passes) / 1e6);
    printf("ratio InflatePage / zlib: %.1f\n", ours / theirs);
    printf("page buffer: peak %zu bytes after %d growths of %d bytes\n", peak, growthsFirstPass, (int)PAGE_GROWTH);
    return 0;
}
