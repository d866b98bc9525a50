// Whether the memo's entries are there in this computer's registry, asked for the rows that are drawn
// and remembered until the user may have changed the registry.
#include "bridge/bridge.h"
#include "bridge/root_keys.h"
#include "memo/memo.h"
#include "shell/shell.h"

enum
{
    PRESENCE_SLOT_COUNT = 8192 // a power of two, many pages of rows
};

// One remembered answer: the entry's block and a hash of its texts, for a handle that a later block may
// take over once this one is freed.
struct PresenceSlot
{
    HGLOBAL entry;
    DWORD textHash;
    DWORD generation; // 0 never answered
    int presence;
};
static PresenceSlot gPresenceSlots[PRESENCE_SLOT_COUNT];
static DWORD gPresenceGeneration = 1;

static DWORD HashBytes(DWORD hash, const char *text, size_t cbText)
{
    for (size_t i = 0; i < cbText; i++) hash = (hash ^ (unsigned char)text[i]) * 16777619u;
    return hash;
}

static DWORD TextHash(const MemoEntryTexts &texts)
{
    DWORD hash = HashBytes(2166136261u, texts.keyPath, texts.cbKeyPath + 1);
    hash = HashBytes(hash, texts.valueName, texts.cbValueName + 1);
    return texts.keyOnly ? ~hash : hash;
}

int EntryPresence(HGLOBAL entry, const MemoEntryTexts &texts)
{
    if (!IsRootKeyPath(texts.keyPath)) return PRESENCE_FOUND;
    const DWORD hash = TextHash(texts);
    // Blocks are 8-byte aligned; the bits above spread the rows of a page over the slots.
    const UINT_PTR bits = (UINT_PTR)entry >> 3;
    PresenceSlot *slot = &gPresenceSlots[(bits ^ (bits >> 13)) & (PRESENCE_SLOT_COUNT - 1)];
    if (slot->generation == gPresenceGeneration && slot->entry == entry && slot->textHash == hash)
        return slot->presence;
    slot->entry = entry;
    slot->textHash = hash;
    slot->presence = RegistryPresence(texts.keyPath, texts.valueName, texts.keyOnly);
    slot->generation = gPresenceGeneration;
    return slot->presence;
}

void RecheckEntryPresence()
{
    if (++gPresenceGeneration == 0) gPresenceGeneration = 1;
    if (gMemoList) InvalidateRect(gMemoList, nullptr, FALSE);
}
