// The manual printer's DEFLATE decoder against zlib's raw inflate, hand-made streams and damaged ones.
#include <gtest/gtest.h>
#include <zlib.h>

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "manualprint/inflate.h"

typedef std::vector<unsigned char> Bytes;

// The host's page memory: malloc'd, with a ceiling to simulate memory running out.
static size_t gCeiling;
static int gGrowths;
static std::vector<PageFailure> gReports;

static unsigned char *HostGrow(unsigned char *buffer, size_t cbNew)
{
    if (cbNew > gCeiling) return nullptr;
    gGrowths++;
    return (unsigned char *)realloc(buffer, cbNew);
}
static void HostReport(PageFailure failure)
{
    gReports.push_back(failure);
}

class Inflate : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        gPageMemory.grow = HostGrow;
        gPageMemory.report = HostReport;
        gCeiling = 64 * 1024 * 1024;
        gGrowths = 0;
        gReports.clear();
        pageBuffer = (unsigned char *)malloc(PAGE_GROWTH);
        pageCapacity = PAGE_GROWTH;
        pageLength = 0;
    }
    void TearDown() override
    {
        free(pageBuffer);
        pageBuffer = nullptr;
        pageCapacity = 0;
    }
    // Decodes; on success the page, on failure the single report it made.
    int Run(const Bytes &stream)
    {
        return InflatePage(stream.data(), stream.size());
    }
    Bytes Page() const
    {
        return Bytes(pageBuffer, pageBuffer + pageLength);
    }
};

static Bytes Deflate(const Bytes &data, int level, int strategy = Z_DEFAULT_STRATEGY)
{
    z_stream z = {};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy), Z_OK);
    Bytes out(deflateBound(&z, data.size()) + 16);
    z.next_in = (unsigned char *)(data.data());
    z.avail_in = (uInt)data.size();
    z.next_out = out.data();
    z.avail_out = (uInt)out.size();
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// zlib's raw inflate of a whole stream; false when zlib finds it invalid or unfinished.
static bool ZlibInflate(const Bytes &stream, Bytes *out)
{
    z_stream z = {};
    if (inflateInit2(&z, -15) != Z_OK) return false;
    z.next_in = (unsigned char *)(stream.data());
    z.avail_in = (uInt)stream.size();
    out->clear();
    int status;
    do {
        unsigned char chunk[65536];
        z.next_out = chunk;
        z.avail_out = sizeof chunk;
        status = inflate(&z, Z_NO_FLUSH);
        out->insert(out->end(), chunk, chunk + (sizeof chunk - z.avail_out));
    } while (status == Z_OK && z.avail_out == 0);
    inflateEnd(&z);
    return status == Z_STREAM_END;
}

// Block headers of a stream, in order: bit 0 the final bit, bits 1-2 the type. zlib stops after
// each block; the next header lies in the unused high bits of the last byte read and what follows.
static std::vector<int> BlockTypes(const Bytes &stream)
{
    std::vector<int> types;
    if (stream.empty()) return types;
    types.push_back(stream[0] & 7);
    z_stream z = {};
    inflateInit2(&z, -15);
    z.next_in = (unsigned char *)(stream.data());
    z.avail_in = (uInt)stream.size();
    Bytes sink(1 << 20);
    for (;;)
    {
        z.next_out = sink.data();
        z.avail_out = (uInt)sink.size();
        int status = inflate(&z, Z_BLOCK);
        if (status != Z_OK) break;
        if (!(z.data_type & 128) || z.total_in == 0) continue;
        if (types.back() & 1) break; // the final block has ended
        unsigned unused = z.data_type & 7;
        unsigned low = unused ? z.next_in[-1] >> (8 - unused) : 0;
        unsigned high = z.avail_in ? (unsigned)z.next_in[0] << unused : 0;
        types.push_back((int)((low | high) & 7));
    }
    inflateEnd(&z);
    return types;
}

static Bytes SampleText(size_t size, unsigned seed)
{
    // Text-like bytes: words from a small vocabulary, so every code kind occurs.
    static const char *words[] = {"HKEY_CURRENT_USER", "Software", "\\", " ", "タルミク", "メモ", "\r\n", "値", "0123"};
    Bytes out;
    unsigned state = seed;
    while (out.size() < size)
    {
        state = state * 1103515245u + 12345u;
        const char *w = words[(state >> 16) % 9];
        out.insert(out.end(), w, w + strlen(w));
        if ((state >> 8) % 7 == 0) out.push_back((unsigned char)(state >> 3));
    }
    out.resize(size);
    return out;
}

// Writes fixed-width fields lowest bit first and Huffman codes highest bit first.
struct BitWriter
{
    Bytes bytes;
    unsigned used = 8;
    void Bit(unsigned bit)
    {
        if (used == 8)
        {
            bytes.push_back(0);
            used = 0;
        }
        bytes.back() |= (unsigned char)((bit & 1) << used++);
    }
    void Field(unsigned value, unsigned count)
    {
        for (unsigned i = 0; i < count; i++) Bit(value >> i);
    }
    void Code(unsigned code, unsigned count)
    {
        for (unsigned i = count; i-- > 0;) Bit(code >> i);
    }
    // Fixed-code literal (0 to 255), end of block or length symbol.
    void FixedSymbol(unsigned symbol)
    {
        if (symbol < 144)
            Code(0x30 + symbol, 8);
        else if (symbol < 256)
            Code(0x190 + symbol - 144, 9);
        else if (symbol < 280)
            Code(symbol - 256, 7);
        else
            Code(0xC0 + symbol - 280, 8);
    }
};

static std::vector<std::string> ShippedPages()
{
    std::vector<std::string> paths;
    for (int page = 1; page <= 11; page++)
    {
        char name[16];
        snprintf(name, sizeof name, "/%02d.bin", page);
        paths.push_back(std::string(MANUAL_PAGES_DIR) + name);
    }
    return paths;
}

static Bytes ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(Inflate, EveryShippedPageDecodesAsZlibDoesToOneMetafile)
{
    for (const std::string &path : ShippedPages())
    {
        SCOPED_TRACE(path);
        Bytes stream = ReadAll(path);
        ASSERT_FALSE(stream.empty());
        Bytes expected;
        ASSERT_TRUE(ZlibInflate(stream, &expected));
        ASSERT_EQ(Run(stream), 0);
        EXPECT_TRUE(gReports.empty());
        ASSERT_EQ(Page(), expected);
        // An enhanced metafile whose header's total size is the page's length.
        ASSERT_GE(pageLength, 88u);
        unsigned type, cbTotal;
        memcpy(&type, pageBuffer, 4);
        memcpy(&cbTotal, pageBuffer + 48, 4);
        EXPECT_EQ(type, 1u);
        EXPECT_EQ(cbTotal, pageLength);
        // Decoding again gives the same bytes.
        ASSERT_EQ(Run(stream), 0);
        EXPECT_EQ(Page(), expected);
    }
}

static unsigned Get32(const unsigned char *p)
{
    unsigned v;
    memcpy(&v, p, 4);
    return v;
}

// What the printer relies on in every page: the basic header, the 200 x 287 mm frame on a device of
// 2360 x 3387 pixels, MM_TEXT from the origin, and records that walk exactly to the end-of-file record.
TEST_F(Inflate, EveryShippedPageIsAPageOfTheManual)
{
    enum
    {
        EMR_HEADER = 1,
        EMR_EOF = 14,
        EMR_SETVIEWPORTORGEX = 12,
        EMR_SETMAPMODE = 17,
        EMR_INTERSECTCLIPRECT = 30,
        EMR_STRETCHDIBITS = 81,
        EMR_EXTTEXTOUTA = 83,
        EMR_EXTTEXTOUTW = 84,
        MM_TEXT = 1
    };
    for (const std::string &path : ShippedPages())
    {
        SCOPED_TRACE(path);
        ASSERT_EQ(Run(ReadAll(path)), 0);
        const unsigned char *m = pageBuffer;
        EXPECT_EQ(Get32(m), (unsigned)EMR_HEADER);
        EXPECT_EQ(Get32(m + 4), 88u) << "the basic header";
        const int bounds[4] = {-32768, -32768, 32766, 32766}, frame[4] = {0, 0, 20000, 28700};
        EXPECT_EQ(memcmp(m + 8, bounds, 16), 0);
        EXPECT_EQ(memcmp(m + 24, frame, 16), 0);
        EXPECT_EQ(Get32(m + 40), 0x464D4520u); // " EMF"
        EXPECT_EQ(Get32(m + 60), 0u) << "no description";
        EXPECT_EQ(Get32(m + 72), 2360u);
        EXPECT_EQ(Get32(m + 76), 3387u);
        EXPECT_EQ(Get32(m + 80), 200u);
        EXPECT_EQ(Get32(m + 84), 287u);

        std::vector<unsigned> types;
        size_t at = 88;
        while (at + 8 <= pageLength)
        {
            unsigned type = Get32(m + at), size = Get32(m + at + 4);
            ASSERT_GE(size, 8u);
            ASSERT_EQ(size % 4, 0u);
            ASSERT_LE(at + size, pageLength);
            if (type == EMR_SETMAPMODE)
            {
                EXPECT_EQ(Get32(m + at + 8), (unsigned)MM_TEXT);
            }
            if (type == EMR_SETVIEWPORTORGEX)
            {
                EXPECT_EQ(Get32(m + at + 8), 0u);
                EXPECT_EQ(Get32(m + at + 12), 0u);
            }
            if (type == EMR_EXTTEXTOUTA)
            {
                // Shift-JIS text on the page: a double-byte character's advance sits on its lead byte.
                unsigned chars = Get32(m + at + 44), offString = Get32(m + at + 48), offDx = Get32(m + at + 72);
                ASSERT_LE(offString + chars, size);
                ASSERT_LE(offDx + 4 * chars, size);
                for (unsigned k = 0; k < chars; k++)
                {
                    unsigned char c = m[at + offString + k];
                    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC))
                    {
                        ASSERT_LT(k + 1, chars);
                        EXPECT_EQ(Get32(m + at + offDx + 4 * (k + 1)), 0u);
                        k++;
                    }
                }
            }
            types.push_back(type);
            at += size;
            if (type == EMR_EOF) break;
        }
        EXPECT_EQ(at, pageLength) << "the end-of-file record ends the metafile";
        ASSERT_FALSE(types.empty());
        EXPECT_EQ(types.back(), (unsigned)EMR_EOF);
        EXPECT_EQ(Get32(m + 52), types.size() + 1) << "record count, header included";
        ASSERT_GE(types.size(), 2u);
        EXPECT_EQ(types[0], (unsigned)EMR_SETMAPMODE) << "each page sets its own mapping mode first";
        EXPECT_EQ(types[1], (unsigned)EMR_SETVIEWPORTORGEX);
        auto count = [&](unsigned type) { return std::count(types.begin(), types.end(), type); };
        EXPECT_GT(count(EMR_EXTTEXTOUTA), 20);
        EXPECT_EQ(count(EMR_EXTTEXTOUTW), 0) << "text as ANSI records only";
        EXPECT_GT(count(EMR_STRETCHDIBITS) + count(EMR_INTERSECTCLIPRECT), 0);
    }
}

TEST_F(Inflate, StoredFixedAndDynamicBlocksAsZlibMakesThem)
{
    struct Case
    {
        const char *name;
        int level, strategy;
        size_t size;
        int firstType;
    } cases[] = {
        {"stored", 0, Z_DEFAULT_STRATEGY, 70000, 0}, // two stored blocks: 65535 bytes at most each
        {"fixed", 9, Z_FIXED, 30000, 1},
        {"dynamic", 9, Z_DEFAULT_STRATEGY, 30000, 2},
        {"huffman only", 9, Z_HUFFMAN_ONLY, 30000, 2},
        {"run lengths", 9, Z_RLE, 30000, 2},
    };
    for (const Case &c : cases)
    {
        SCOPED_TRACE(c.name);
        Bytes data = SampleText(c.size, (unsigned)c.size + c.level);
        Bytes stream = Deflate(data, c.level, c.strategy);
        std::vector<int> types = BlockTypes(stream);
        ASSERT_FALSE(types.empty());
        EXPECT_EQ(types[0] >> 1, c.firstType);
        ASSERT_EQ(Run(stream), 0);
        EXPECT_EQ(Page(), data);
    }
}

TEST_F(Inflate, TwoDynamicBlocksTheFirstNotFinal)
{
    // Enough varied text that zlib closes a first dynamic block and opens a second one.
    Bytes data = SampleText(400000, 7);
    Bytes stream = Deflate(data, 9);
    std::vector<int> types = BlockTypes(stream);
    ASSERT_GE(types.size(), 2u);
    EXPECT_EQ(types[0], 2 << 1);                                       // dynamic, not final
    EXPECT_EQ(types[1] >> 1, 2);                                       // dynamic again
    EXPECT_EQ(types.back() & 1, 1) << ::testing::PrintToString(types); // the last one is final
    ASSERT_EQ(Run(stream), 0);
    EXPECT_EQ(Page(), data);
}

TEST_F(Inflate, OverlappingCopyOfDistanceOneRepeatsTheLastByte)
{
    BitWriter w;
    w.Field(1, 1); // final
    w.Field(1, 2); // fixed codes
    w.FixedSymbol('x');
    w.FixedSymbol('A');
    w.FixedSymbol(285); // length 258
    w.Code(0, 5);       // distance 1
    w.FixedSymbol(257); // length 3
    w.Code(1, 5);       // distance 2
    w.FixedSymbol(256);
    ASSERT_EQ(Run(w.bytes), 0);
    Bytes expected = {'x'};
    expected.insert(expected.end(), 259, 'A');
    expected.insert(expected.end(), 3, 'A');
    EXPECT_EQ(Page(), expected);
}

TEST_F(Inflate, HandMadeStoredBlockThenFixedBlock)
{
    BitWriter w;
    w.Field(0, 1); // not final
    w.Field(0, 2); // stored: the rest of this byte is padding
    w.bytes.insert(w.bytes.end(), {5, 0, 0xFA, 0xFF, 'H', 'K', 'C', 'U', '\\'});
    w.used = 8;
    w.Field(1, 1);
    w.Field(1, 2);
    w.FixedSymbol(200); // a nine-bit literal
    w.FixedSymbol(258); // length 4
    w.Code(3, 5);       // distance 4
    w.FixedSymbol(256);
    ASSERT_EQ(Run(w.bytes), 0);
    Bytes expected = {'H', 'K', 'C', 'U', '\\', 200, 'C', 'U', '\\', 200};
    EXPECT_EQ(Page(), expected);
}

TEST_F(Inflate, BufferGrowsInSteadyStepsAndIsReused)
{
    // 188,328 bytes from a 10,000-byte buffer: eighteen growths, to 190,000 bytes.
    Bytes big = SampleText(188328, 3);
    ASSERT_EQ(Run(Deflate(big, 9)), 0);
    EXPECT_EQ(Page(), big);
    EXPECT_EQ(gGrowths, 18);
    EXPECT_EQ(pageCapacity, 190000u);
    // A smaller page after it reuses the capacity and never shrinks it.
    Bytes small = SampleText(12384, 4);
    ASSERT_EQ(Run(Deflate(small, 9)), 0);
    EXPECT_EQ(Page(), small);
    EXPECT_EQ(gGrowths, 18);
    EXPECT_EQ(pageCapacity, 190000u);
    // Exactly full is not a reason to grow.
    Bytes exact = SampleText(190000, 5);
    ASSERT_EQ(Run(Deflate(exact, 9)), 0);
    EXPECT_EQ(gGrowths, 18);
}

TEST_F(Inflate, MemoryRunningOutIsReportedOnceAndStops)
{
    gCeiling = 30000;
    Bytes data = SampleText(50000, 9);
    EXPECT_EQ(Run(Deflate(data, 9)), -1);
    ASSERT_EQ(gReports.size(), 1u);
    EXPECT_EQ(gReports[0], PAGE_OUT_OF_MEMORY);
    EXPECT_EQ(pageCapacity, 30000u);
    EXPECT_EQ(pageLength, 30000u); // what was decoded stays, unused
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 30000, pageBuffer));
}

TEST_F(Inflate, DamagedStreamsAreReportedOnceAndNeverOverrun)
{
    Bytes good = Deflate(SampleText(5000, 11), 9);
    BitWriter reserved;
    reserved.Field(1, 1);
    reserved.Field(3, 2);

    BitWriter tooFar; // a distance reaching before the page start
    tooFar.Field(1, 1);
    tooFar.Field(1, 2);
    tooFar.FixedSymbol('a');
    tooFar.FixedSymbol(257);
    tooFar.Code(1, 5); // distance 2 with one byte decoded

    BitWriter distance30; // fixed distance codes 30 and 31 do not exist
    distance30.Field(1, 1);
    distance30.Field(1, 2);
    distance30.FixedSymbol('a');
    distance30.FixedSymbol(257);
    distance30.Code(30, 5);

    BitWriter length286;
    length286.Field(1, 1);
    length286.Field(1, 2);
    length286.FixedSymbol(286);

    BitWriter storedLength; // length and its complement disagree
    storedLength.Field(1, 1);
    storedLength.Field(0, 2);
    storedLength.bytes.insert(storedLength.bytes.end(), {3, 0, 0xFC, 0xFE, 'a', 'b', 'c'});

    BitWriter storedShort; // three bytes announced, two present
    storedShort.Field(1, 1);
    storedShort.Field(0, 2);
    storedShort.bytes.insert(storedShort.bytes.end(), {3, 0, 0xFC, 0xFF, 'a', 'b'});

    // A dynamic block whose code-length code has one symbol, 18, so every literal/length code
    // length is zero: the literal/length alphabet is empty and no code can match.
    BitWriter emptyAlphabet;
    emptyAlphabet.Field(1, 1);
    emptyAlphabet.Field(2, 2);
    emptyAlphabet.Field(0, 5); // 257 literal/length codes
    emptyAlphabet.Field(0, 5); // 1 distance code
    emptyAlphabet.Field(0, 4); // 4 code-length codes: 16, 17, 18, 0
    emptyAlphabet.Field(0, 3); // 16
    emptyAlphabet.Field(0, 3); // 17
    emptyAlphabet.Field(1, 3); // 18: length 1, code 0
    emptyAlphabet.Field(0, 3); // 0
    emptyAlphabet.Code(0, 1);
    emptyAlphabet.Field(127, 7); // 138 zeros
    emptyAlphabet.Code(0, 1);
    emptyAlphabet.Field(109, 7); // 120 more: all 258 lengths zero
    emptyAlphabet.Bit(0);

    BitWriter repeatFirst; // "repeat the previous length" with none before it
    repeatFirst.Field(1, 1);
    repeatFirst.Field(2, 2);
    repeatFirst.Field(0, 5);
    repeatFirst.Field(0, 5);
    repeatFirst.Field(0, 4);
    repeatFirst.Field(1, 3); // 16: the only code
    repeatFirst.Field(0, 3);
    repeatFirst.Field(0, 3);
    repeatFirst.Field(0, 3);
    repeatFirst.Code(0, 1);
    repeatFirst.Field(0, 2);

    BitWriter tooManyLengths; // HLIT above 286
    tooManyLengths.Field(1, 1);
    tooManyLengths.Field(2, 2);
    tooManyLengths.Field(30, 5);
    tooManyLengths.Field(0, 5);
    tooManyLengths.Field(0, 4);

    struct Case
    {
        const char *name;
        Bytes stream;
    } cases[] = {
        {"reserved block type", reserved.bytes},
        {"distance before the page start", tooFar.bytes},
        {"fixed distance code 30", distance30.bytes},
        {"length symbol 286", length286.bytes},
        {"stored length not matching its complement", storedLength.bytes},
        {"stored block cut short", storedShort.bytes},
        {"empty literal/length alphabet", emptyAlphabet.bytes},
        {"repeat with no previous length", repeatFirst.bytes},
        {"more than 286 literal/length codes", tooManyLengths.bytes},
        {"empty stream", Bytes()},
        {"stream cut before its end", Bytes(good.begin(), good.end() - 1)},
    };
    for (const Case &c : cases)
    {
        SCOPED_TRACE(c.name);
        gReports.clear();
        // An exact-size heap copy, so that ASan catches any read past the resource.
        unsigned char *exact = (unsigned char *)malloc(c.stream.size() + 1);
        if (!c.stream.empty()) memcpy(exact, c.stream.data(), c.stream.size());
        EXPECT_EQ(InflatePage(exact, c.stream.size()), -1);
        free(exact);
        ASSERT_EQ(gReports.size(), 1u);
        EXPECT_EQ(gReports[0], PAGE_DAMAGED);
    }
}

TEST_F(Inflate, EveryPrefixOfAPageFailsCleanly)
{
    Bytes stream = Deflate(SampleText(3000, 13), 9);
    for (size_t n = 0; n < stream.size(); n++)
    {
        gReports.clear();
        unsigned char *exact = (unsigned char *)malloc(n + 1);
        memcpy(exact, stream.data(), n);
        EXPECT_EQ(InflatePage(exact, n), -1) << n;
        free(exact);
        EXPECT_EQ(gReports.size(), 1u) << n;
    }
    // Bytes after the final block are not looked at.
    Bytes padded = stream;
    padded.insert(padded.end(), {0xFF, 0xFF, 0xFF});
    EXPECT_EQ(Run(padded), 0);
}
