// A bit-at-a-time RFC 1951 inflater. Huffman codes are found by walking the code groups of each
// length in turn; no tables indexed by code bits are built, the pages being few and small.
#include "manualprint/inflate.h"

unsigned char *pageBuffer;
size_t pageCapacity;
size_t pageLength;
PageMemory gPageMemory;

enum
{
    MAX_CODE_BITS = 15,
    MAX_LITLEN = 288,
    MAX_DIST = 32,
    CODE_LENGTH_SYMBOLS = 19
};

// Decoder state, reset for every page.
struct BitReader
{
    const unsigned char *input;
    size_t cbInput;
    size_t position;   // next byte to load
    unsigned bitsLeft; // bits of the current byte not yet used
    unsigned bits;     // those bits, the next one lowest
};

// One alphabet's canonical code: the symbols with a length, ordered by length then symbol,
// and one group per length that occurs.
struct CodeGroup
{
    unsigned length;
    unsigned firstIndex; // of its first symbol in `symbols`
    unsigned firstCode;  // canonical code of that symbol
    unsigned count;
};
struct HuffmanCode
{
    unsigned short symbols[MAX_LITLEN];
    CodeGroup groups[MAX_CODE_BITS];
    unsigned groupCount;
};

static const unsigned short kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                               31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
static const unsigned char kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                               2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
static const unsigned short kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                                 33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                                 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
static const unsigned char kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
static const unsigned char kCodeLengthOrder[CODE_LENGTH_SYMBOLS] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                                    11, 4,  12, 3, 13, 2, 14, 1, 15};

static int Damaged()
{
    gPageMemory.report(PAGE_DAMAGED);
    return -1;
}

// One bit, or -1 when the stream runs past its resource.
static int ReadBit(BitReader *in)
{
    if (in->bitsLeft == 0)
    {
        if (in->position >= in->cbInput) return -1;
        in->bits = in->input[in->position++];
        in->bitsLeft = 8;
    }
    int bit = in->bits & 1;
    in->bits >>= 1;
    in->bitsLeft--;
    return bit;
}

// A fixed-width field of `count` bits, lowest bit first; -1 past the end.
static long ReadBits(BitReader *in, unsigned count)
{
    long value = 0;
    for (unsigned i = 0; i < count; i++)
    {
        int bit = ReadBit(in);
        if (bit < 0) return -1;
        value |= (long)bit << i;
    }
    return value;
}

// Huffman code bits: each new bit becomes the lowest bit of `*value`. False past the end.
static bool ExtendCode(BitReader *in, unsigned *value, unsigned count)
{
    for (unsigned i = 0; i < count; i++)
    {
        int bit = ReadBit(in);
        if (bit < 0) return false;
        *value = (*value << 1) | (unsigned)bit;
    }
    return true;
}

// Builds the canonical code from the code lengths of `count` symbols.
static void BuildCode(HuffmanCode *code, const unsigned char *lengths, unsigned count)
{
    unsigned pairs = 0;
    code->groupCount = 0;
    unsigned nextCode = 0, previousLength = 0;
    for (unsigned length = 1; length <= MAX_CODE_BITS; length++)
    {
        unsigned first = pairs;
        for (unsigned symbol = 0; symbol < count; symbol++)
            if (lengths[symbol] == length) code->symbols[pairs++] = (unsigned short)symbol;
        if (pairs == first) continue;
        if (code->groupCount > 0)
        {
            const CodeGroup &previous = code->groups[code->groupCount - 1];
            nextCode = (previous.firstCode + previous.count) << (length - previousLength);
        }
        CodeGroup &group = code->groups[code->groupCount++];
        group.length = length;
        group.firstIndex = first;
        group.firstCode = nextCode;
        group.count = pairs - first;
        previousLength = length;
    }
}

// The next symbol, or -1 when the stream ends or its code matches no group (an empty alphabet
// matches nothing). Over-subscribed lengths can push a group's codes past its length's range;
// the code read is then never below that group's first code, so the index stays in the group.
static int DecodeSymbol(BitReader *in, const HuffmanCode *code)
{
    unsigned value = 0, length = 0;
    for (unsigned g = 0; g < code->groupCount; g++)
    {
        const CodeGroup &group = code->groups[g];
        if (!ExtendCode(in, &value, group.length - length)) return -1;
        length = group.length;
        if (value >= group.firstCode && value - group.firstCode < group.count)
            return code->symbols[group.firstIndex + (value - group.firstCode)];
    }
    return -1;
}

// Fixed-code literal/length symbol, by code ranges; -1 past the end.
static int DecodeFixedSymbol(BitReader *in)
{
    unsigned value = 0;
    if (!ExtendCode(in, &value, 7)) return -1;
    if (value <= 23) return 256 + (int)value;
    if (!ExtendCode(in, &value, 1)) return -1;
    if (value >= 48 && value <= 191) return (int)value - 48;
    if (value >= 192 && value <= 199) return 280 + (int)(value - 192);
    // Every 8-bit code left (200 to 255) continues into the nine-bit literals 400 to 511.
    if (!ExtendCode(in, &value, 1)) return -1;
    return 144 + (int)(value - 400);
}

static int InflateStored(BitReader *in)
{
    in->bitsLeft = 0; // the rest of the current byte is padding
    if (in->cbInput - in->position < 4) return Damaged();
    const unsigned char *p = in->input + in->position;
    unsigned length = p[0] | (unsigned)p[1] << 8;
    unsigned complement = p[2] | (unsigned)p[3] << 8;
    in->position += 4;
    if ((length ^ 0xFFFF) != complement) return Damaged();
    if (in->cbInput - in->position < length) return Damaged();
    for (unsigned i = 0; i < length; i++)
        if (AppendByte(in->input[in->position++]) < 0) return -1;
    return 0;
}

// Literals and matches until the end-of-block symbol. `dist` is null for the fixed codes.
static int InflateCodes(BitReader *in, const HuffmanCode *litlen, const HuffmanCode *dist)
{
    for (;;)
    {
        int symbol = litlen ? DecodeSymbol(in, litlen) : DecodeFixedSymbol(in);
        if (symbol < 0) return Damaged();
        if (symbol < 256)
        {
            if (AppendByte((unsigned char)symbol) < 0) return -1;
            continue;
        }
        if (symbol == 256) return 0;
        symbol -= 257;
        if (symbol >= 29) return Damaged();
        long extra = ReadBits(in, kLengthExtra[symbol]);
        if (extra < 0) return Damaged();
        size_t length = kLengthBase[symbol] + (size_t)extra;

        int distanceSymbol;
        if (dist)
        {
            distanceSymbol = DecodeSymbol(in, dist);
        }
        else
        {
            unsigned value = 0;
            distanceSymbol = ExtendCode(in, &value, 5) ? (int)value : -1;
        }
        if (distanceSymbol < 0 || distanceSymbol >= 30) return Damaged();
        extra = ReadBits(in, kDistanceExtra[distanceSymbol]);
        if (extra < 0) return Damaged();
        if (CopyMatch(kDistanceBase[distanceSymbol] + (size_t)extra, length) < 0) return -1;
    }
}

// Reads the code lengths of a dynamic block and builds its two codes.
static int ReadDynamicCodes(BitReader *in, HuffmanCode *litlen, HuffmanCode *dist)
{
    long hlit = ReadBits(in, 5), hdist = ReadBits(in, 5), hclen = ReadBits(in, 4);
    if (hlit < 0 || hdist < 0 || hclen < 0) return Damaged();
    unsigned litlenCount = (unsigned)hlit + 257, distCount = (unsigned)hdist + 1;
    if (litlenCount > 286 || distCount > 30) return Damaged();

    unsigned char lengths[MAX_LITLEN + MAX_DIST] = {0};
    for (long i = 0; i < hclen + 4; i++)
    {
        long length = ReadBits(in, 3);
        if (length < 0) return Damaged();
        lengths[kCodeLengthOrder[i]] = (unsigned char)length;
    }
    HuffmanCode lengthCode;
    BuildCode(&lengthCode, lengths, CODE_LENGTH_SYMBOLS);

    // Literal/length and distance lengths form one sequence; a repeat may cross from one to the other.
    unsigned total = litlenCount + distCount;
    for (unsigned i = 0; i < total;)
    {
        int symbol = DecodeSymbol(in, &lengthCode);
        if (symbol < 0) return Damaged();
        if (symbol < 16)
        {
            lengths[i++] = (unsigned char)symbol;
            continue;
        }
        unsigned char repeated = 0;
        long count;
        if (symbol == 16)
        {
            if (i == 0) return Damaged();
            repeated = lengths[i - 1];
            count = ReadBits(in, 2);
            if (count >= 0) count += 3;
        }
        else if (symbol == 17)
        {
            count = ReadBits(in, 3);
            if (count >= 0) count += 3;
        }
        else
        {
            count = ReadBits(in, 7);
            if (count >= 0) count += 11;
        }
        if (count < 0 || (unsigned long)count > total - i) return Damaged();
        while (count-- > 0) lengths[i++] = repeated;
    }
    BuildCode(litlen, lengths, litlenCount);
    BuildCode(dist, lengths + litlenCount, distCount);
    return 0;
}

int AppendByte(unsigned char byte)
{
    if (pageLength == pageCapacity)
    {
        unsigned char *grown = gPageMemory.grow(pageBuffer, pageCapacity + PAGE_GROWTH);
        if (!grown)
        {
            gPageMemory.report(PAGE_OUT_OF_MEMORY);
            return -1;
        }
        pageBuffer = grown;
        pageCapacity += PAGE_GROWTH;
    }
    pageBuffer[pageLength++] = byte;
    return 0;
}

int CopyMatch(size_t distance, size_t length)
{
    if (distance == 0 || distance > pageLength) return Damaged();
    for (size_t i = 0; i < length; i++)
    {
        // Read before appending: growing may move the buffer.
        if (AppendByte(pageBuffer[pageLength - distance]) < 0) return -1;
    }
    return 0;
}

int InflatePage(const unsigned char *resource, size_t cbResource)
{
    BitReader in = {resource, cbResource, 0, 0, 0};
    pageLength = 0;
    HuffmanCode litlen, dist;
    for (;;)
    {
        long final = ReadBits(&in, 1), type = ReadBits(&in, 2);
        if (final < 0 || type < 0) return Damaged();
        int result;
        switch (type)
        {
        case 0: result = InflateStored(&in); break;
        case 1: result = InflateCodes(&in, nullptr, nullptr); break;
        case 2:
            result = ReadDynamicCodes(&in, &litlen, &dist);
            if (result == 0) result = InflateCodes(&in, &litlen, &dist);
            break;
        default: return Damaged(); // the reserved type 3
        }
        if (result < 0) return -1;
        if (final) return 0;
    }
}
