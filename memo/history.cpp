// The undo history: the changes of the memo in the order they were made, each undone and redone in place,
// and the point where the memo was last loaded or saved, which memoModified is measured against.
#include "memo/memo.h"

#include "memo/list_items.h"

enum StepKind
{
    STEP_INSERT,
    STEP_DELETE,
    STEP_REPLACE,
    STEP_MOVE
};

// A step's blocks are those its change put in or took out. The history owns the ones not in the list:
// an undone insertion's, a done deletion's, and a replacement's other block.
struct HistoryStep
{
    StepKind kind;
    int index; // the first row changed; a move's row before it
    int to;    // a move's row after it
    int count;
    int capacity;
    HGLOBAL one;     // the block of a one-block step
    HGLOBAL *blocks; // of a longer one, from the process heap
};

static const int kHistorySteps = 100;
static HistoryStep gSteps[kHistorySteps];
static int gStepCount;
static int gDoneCount;    // steps done; those after them are undone
static int gSavedAt;      // gDoneCount when the memo was last loaded or saved; -1 when no longer reachable
static int gGroupDepth;   // changes made while above 0 join one step
static int gGroupStep;    // that step, -1 before the group's first change
static bool gGroupMerges; // whether the next change may join gGroupStep

static HGLOBAL *StepBlocks(HistoryStep *step)
{
    return step->blocks ? step->blocks : &step->one;
}

static void ReleaseStep(HistoryStep *step, bool done)
{
    const bool owned =
        step->kind == STEP_REPLACE || (step->kind == STEP_INSERT && !done) || (step->kind == STEP_DELETE && done);
    HGLOBAL *blocks = StepBlocks(step);
    if (owned)
        for (int i = 0; i < step->count; i++) GlobalFree(blocks[i]);
    if (step->blocks) HeapFree(GetProcessHeap(), 0, step->blocks);
    *step = HistoryStep();
}

static void UpdateModified()
{
    memoModified = gSavedAt != gDoneCount;
}

void ClearHistory()
{
    for (int i = 0; i < gStepCount; i++) ReleaseStep(&gSteps[i], i < gDoneCount);
    gStepCount = gDoneCount = gSavedAt = 0;
    gGroupStep = -1;
    gGroupMerges = false;
    UpdateModified();
}

void MarkMemoSaved()
{
    gSavedAt = gDoneCount;
    UpdateModified();
}

// A change that cannot be recorded cannot be undone, nor can any before it.
static void ForgetHistory()
{
    ClearHistory();
    gSavedAt = -1;
    UpdateModified();
}

// A fresh step after the done ones: the undone ones go, and the oldest when the history is full.
static HistoryStep *NewStep(StepKind kind, int index, int count)
{
    while (gStepCount > gDoneCount) ReleaseStep(&gSteps[--gStepCount], false);
    if (gSavedAt > gDoneCount) gSavedAt = -1;
    if (gStepCount == kHistorySteps)
    {
        ReleaseStep(&gSteps[0], true);
        for (int i = 1; i < gStepCount; i++) gSteps[i - 1] = gSteps[i];
        gSteps[--gStepCount] = HistoryStep();
        gDoneCount--;
        if (gSavedAt >= 0) gSavedAt--;
        if (gGroupStep >= 0) gGroupStep--;
    }
    HistoryStep *step = &gSteps[gStepCount];
    step->kind = kind;
    step->index = step->to = index;
    step->count = step->capacity = 1;
    if (count > 1)
    {
        step->blocks = (HGLOBAL *)HeapAlloc(GetProcessHeap(), 0, count * sizeof(HGLOBAL));
        if (!step->blocks) return nullptr;
        step->count = step->capacity = count;
    }
    gStepCount++;
    gDoneCount++;
    if (gGroupDepth > 0) gGroupStep = gStepCount - 1;
    gGroupMerges = gGroupDepth > 0;
    UpdateModified();
    return step;
}

// The step of the open group that a change of `kind` at `index` continues, or null.
static HistoryStep *GroupStep(StepKind kind, int index)
{
    if (gGroupDepth == 0 || !gGroupMerges || gGroupStep < 0 || gGroupStep != gDoneCount - 1) return nullptr;
    HistoryStep *step = &gSteps[gGroupStep];
    if (step->kind != kind) return nullptr;
    if (kind == STEP_INSERT && index != step->index + step->count) return nullptr;
    if (kind == STEP_MOVE && index != step->to) return nullptr;
    return step;
}

void RecordInsert(int index, const HGLOBAL *entries, int count)
{
    HistoryStep *step = GroupStep(STEP_INSERT, index);
    if (step)
    {
        if (step->count + count > step->capacity)
        {
            const int capacity = (step->count + count) * 2;
            HGLOBAL *grown = (HGLOBAL *)HeapAlloc(GetProcessHeap(), 0, capacity * sizeof(HGLOBAL));
            if (!grown) return ForgetHistory();
            for (int i = 0; i < step->count; i++) grown[i] = StepBlocks(step)[i];
            if (step->blocks) HeapFree(GetProcessHeap(), 0, step->blocks);
            step->blocks = grown;
            step->capacity = capacity;
        }
    }
    else
    {
        step = NewStep(STEP_INSERT, index, count);
        if (!step) return ForgetHistory();
        step->count = 0;
    }
    for (int i = 0; i < count; i++) StepBlocks(step)[step->count++] = entries[i];
    UpdateModified();
}

void RecordDelete(int index, HGLOBAL entry)
{
    HistoryStep *step = NewStep(STEP_DELETE, index, 1);
    if (!step)
    {
        GlobalFree(entry);
        return ForgetHistory();
    }
    step->one = entry;
}

void RecordReplace(int index, HGLOBAL old)
{
    HistoryStep *step = NewStep(STEP_REPLACE, index, 1);
    if (!step)
    {
        GlobalFree(old);
        return ForgetHistory();
    }
    step->one = old;
}

void RecordMove(int from, int to)
{
    HistoryStep *step = GroupStep(STEP_MOVE, from);
    if (!step)
    {
        step = NewStep(STEP_MOVE, from, 0);
        if (!step) return ForgetHistory();
        step->count = 0;
    }
    step->to = to;
    UpdateModified();
}

void BeginChangeGroup()
{
    if (gGroupDepth++ == 0)
    {
        gGroupStep = -1;
        gGroupMerges = false;
    }
}

void EndChangeGroup()
{
    if (gGroupDepth == 0 || --gGroupDepth > 0) return;
    // A drag that brought the entry back to its row changed nothing.
    if (gGroupStep >= 0 && gGroupStep == gDoneCount - 1 && gSteps[gGroupStep].kind == STEP_MOVE &&
        gSteps[gGroupStep].index == gSteps[gGroupStep].to)
    {
        ReleaseStep(&gSteps[gGroupStep], true);
        gStepCount--;
        gDoneCount--;
        if (gSavedAt > gDoneCount) gSavedAt = -1;
        UpdateModified();
    }
    gGroupStep = -1;
    gGroupMerges = false;
}

BOOL CanUndo()
{
    return gDoneCount > 0;
}

BOOL CanRedo()
{
    return gDoneCount < gStepCount;
}

// Puts the blocks of an insertion back at its rows; all or none.
static BOOL InsertStepBlocks(HistoryStep *step)
{
    HGLOBAL *blocks = StepBlocks(step);
    int inserted = 0;
    while (inserted < step->count && InsertListItem(step->index + inserted, blocks[inserted])) inserted++;
    if (inserted == step->count) return TRUE;
    while (inserted > 0) RemoveListItem(step->index + --inserted);
    return FALSE;
}

static void RemoveStepBlocks(HistoryStep *step)
{
    HGLOBAL *blocks = StepBlocks(step);
    for (int i = step->count - 1; i >= 0; i--) blocks[i] = RemoveListItem(step->index + i);
}

static void SwapReplaced(HistoryStep *step)
{
    HGLOBAL shown = GetEntryHandle(step->index);
    SetListItemEntry(step->index, step->one);
    step->one = shown;
}

int UndoChange()
{
    if (!CanUndo() || gGroupDepth > 0) return -1;
    HistoryStep *step = &gSteps[gDoneCount - 1];
    int row = step->index;
    switch (step->kind)
    {
    case STEP_INSERT:
        // The row that followed the inserted ones keeps the selection.
        ShowRow(step->index + step->count);
        RemoveStepBlocks(step);
        break;
    case STEP_DELETE:
        if (!InsertListItem(step->index, step->one)) return -1; // reported
        break;
    case STEP_REPLACE: SwapReplaced(step); break;
    case STEP_MOVE: PlaceListItem(step->to, step->index); break;
    }
    gDoneCount--;
    UpdateModified();
    ShowRow(row);
    return row;
}

int RedoChange()
{
    if (!CanRedo() || gGroupDepth > 0) return -1;
    HistoryStep *step = &gSteps[gDoneCount];
    int row = step->index;
    switch (step->kind)
    {
    case STEP_INSERT:
        if (!InsertStepBlocks(step)) return -1; // reported
        break;
    case STEP_DELETE:
        ShowRow(step->index + 1);
        step->one = RemoveListItem(step->index);
        break;
    case STEP_REPLACE: SwapReplaced(step); break;
    case STEP_MOVE:
        PlaceListItem(step->index, step->to);
        row = step->to;
        break;
    }
    gDoneCount++;
    UpdateModified();
    ShowRow(row);
    return row;
}
