// Fuzz target for the manual printer's DEFLATE decoder: any bytes as a page resource. The decoder must
// stay inside the resource and the page buffer (the sanitizers watch), report every failure exactly once,
// and, where zlib's raw inflate accepts the stream (the replay build links zlib), agree with it byte for byte.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "manualprint/inflate.h"

#ifdef FUZZ_INFLATE_WITH_ZLIB
#include <zlib.h>
#include <vector>
#endif

// A page larger than any real one is refused, as memory running out would be.
static const size_t kCeiling = 4 * 1024 * 1024;
static int gReports;

static unsigned char *Grow(unsigned char *buffer, size_t cbNew)
{
    return cbNew > kCeiling ? nullptr : (unsigned char *)realloc(buffer, cbNew);
}
static void Report(PageFailure)
{
    gReports++;
}

#ifdef FUZZ_INFLATE_WITH_ZLIB
// zlib's verdict on the stream: true with its output when it reaches the end of the final block.
static bool ZlibInflate(const uint8_t *data, size_t size, std::vector<unsigned char> *out)
{
    z_stream z = {};
    if (inflateInit2(&z, -15) != Z_OK) return false;
    z.next_in = (uint8_t *)data;
    z.avail_in = (uInt)size;
    int status;
    do {
        unsigned char chunk[65536];
        z.next_out = chunk;
        z.avail_out = sizeof chunk;
        status = inflate(&z, Z_NO_FLUSH);
        out->insert(out->end(), chunk, chunk + (sizeof chunk - z.avail_out));
    } while (status == Z_OK && out->size() <= kCeiling);
    inflateEnd(&z);
    return status == Z_STREAM_END && out->size() <= kCeiling;
}
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    gPageMemory.grow = Grow;
    gPageMemory.report = Report;
    gReports = 0;
    pageBuffer = (unsigned char *)malloc(PAGE_GROWTH);
    pageCapacity = PAGE_GROWTH;
    // An exact copy, so that a read one byte past the resource is caught.
    uint8_t *resource = (uint8_t *)malloc(size ? size : 1);
    if (size) memcpy(resource, data, size);

    int result = InflatePage(resource, size);
    if (result == 0 ? gReports != 0 : (result != -1 || gReports != 1)) abort();
    if (pageLength > pageCapacity || pageCapacity % PAGE_GROWTH != 0) abort();
#ifdef FUZZ_INFLATE_WITH_ZLIB
    std::vector<unsigned char> expected;
    if (ZlibInflate(data, size, &expected))
    {
        if (result != 0 || pageLength != expected.size() ||
            (pageLength && memcmp(pageBuffer, expected.data(), pageLength) != 0))
            abort();
    }
#endif
    free(resource);
    free(pageBuffer);
    pageBuffer = nullptr;
    return 0;
}
