// The manual printer's page buffer and its DEFLATE decoder (RFC 1951), free of any window so that the
// host tests and the fuzz target run the same code as the program.
#pragma once
#include <stddef.h>

// The page buffer: one block, grown in steps of PAGE_GROWTH bytes and reused for every page.
extern unsigned char *pageBuffer;
extern size_t pageCapacity;
extern size_t pageLength;

enum
{
    PAGE_GROWTH = 10000
};

enum PageFailure
{
    PAGE_OUT_OF_MEMORY = 1, // the page buffer could not grow
    PAGE_DAMAGED = 2        // the stream is not valid DEFLATE, or runs past its resource
};

// What the decoder needs from the program that links it.
struct PageMemory
{
    // Resizes the page buffer to cbNew bytes, keeping its contents; the block may move.
    // Returns the new address, or null when it cannot grow (the old block is then untouched).
    unsigned char *(*grow)(unsigned char *buffer, size_t cbNew);
    // Tells the user once that the page cannot be decoded.
    void (*report)(PageFailure failure);
};
extern PageMemory gPageMemory;

// Decodes the raw DEFLATE stream of one page resource (cbResource bytes) into the page buffer,
// which must already exist. Returns 0 with pageLength the page's size, or -1 after the failure
// was reported; the decoder never reads past the resource nor writes outside the buffer.
int InflatePage(const unsigned char *resource, size_t cbResource);
// Appends one byte, growing the buffer first when it is full. Returns 0, or -1 (reported).
int AppendByte(unsigned char byte);
// Appends `length` bytes, each the byte `distance` back from the current end, one at a time, so
// that an overlapping copy repeats its pattern. Returns 0, or -1 (reported) when the distance
// reaches before the page start or an append fails.
int CopyMatch(size_t distance, size_t length);
