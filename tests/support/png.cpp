#include "tests/support/png.h"

static uint32_t Crc32(const uint8_t *data, size_t cb, uint32_t crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < cb; ++i)
    {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

static void Put32(std::vector<uint8_t> *out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) out->push_back((uint8_t)(value >> shift));
}

static void PutChunk(std::vector<uint8_t> *out, const char type[4], const std::vector<uint8_t> &data)
{
    Put32(out, (uint32_t)(data.size()));
    size_t start = out->size();
    out->insert(out->end(), type, type + 4);
    out->insert(out->end(), data.begin(), data.end());
    Put32(out, Crc32(out->data() + start, out->size() - start));
}

std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t> &rgb)
{
    std::vector<uint8_t> raw;
    size_t cbRow = (size_t)width * 3;
    for (int y = 0; y < height; ++y)
    {
        raw.push_back(0); // no filter
        raw.insert(raw.end(), rgb.begin() + y * cbRow, rgb.begin() + (y + 1) * cbRow);
    }
    std::vector<uint8_t> zlib = {0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw)
    {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t at = 0; at < raw.size() || at == 0; at += 65535)
    {
        size_t cb = raw.size() - at < 65535 ? raw.size() - at : 65535;
        zlib.push_back(at + cb >= raw.size() ? 1 : 0);
        zlib.push_back((uint8_t)cb);
        zlib.push_back((uint8_t)(cb >> 8));
        zlib.push_back((uint8_t)(~cb));
        zlib.push_back((uint8_t)(~cb >> 8));
        zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + cb);
        if (raw.empty()) break;
    }
    Put32(&zlib, (b << 16) | a);

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    Put32(&header, (uint32_t)width);
    Put32(&header, (uint32_t)height);
    header.insert(header.end(), {8, 2, 0, 0, 0});
    PutChunk(&png, "IHDR", header);
    PutChunk(&png, "IDAT", zlib);
    PutChunk(&png, "IEND", {});
    return png;
}
