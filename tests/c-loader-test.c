/* Loads Spinbeat.dll the way the host does, in C, so that no C++ type of either library stands between
   the loader and the bytes: the record at its offsets, the holder and its count block as Microsoft's
   shared_ptr lays them out, and the release of a reference through the block's own table.

   Usage: c-loader-test SPINBEAT_DLL. Prints what it read; exits 1 at the first difference. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <string.h>

static int failures = 0;

static void Check(int ok, const char* what) {
    if (!ok) {
        printf("FAILED: %s\n", what);
        ++failures;
    }
}

static uint64_t Word(const void* at) {
    uint64_t value = 0;
    memcpy(&value, at, sizeof value);
    return value;
}

static uint32_t Half(const void* at) {
    uint32_t value = 0;
    memcpy(&value, at, sizeof value);
    return value;
}

static const char* Text(const unsigned char* record, size_t offset) {
    return (const char*)(uintptr_t)Word(record + offset);
}

/* ---------------------------------------------------------------------------
   Count blocks of the loader's own, for the two host pointers: Microsoft's layout (table, strong
   count, weak count), with a table that records which of them the object released, in what order
   --------------------------------------------------------------------------- */

struct FakeBlock;
typedef void (*BlockOperation)(struct FakeBlock* self);

struct FakeBlock {
    const BlockOperation* table;
    volatile LONG strong;
    volatile LONG weak;
    const char* name;
};

static char released[256];

static void Note(const char* what, const struct FakeBlock* block) {
    strncat(released, block->name, sizeof released - strlen(released) - 1);
    strncat(released, what, sizeof released - strlen(released) - 1);
}

static void DestroyFake(struct FakeBlock* self) { Note(" destroyed; ", self); }
static void DeleteFake(struct FakeBlock* self) { Note(" freed; ", self); }

static const BlockOperation fakeTable[2] = {DestroyFake, DeleteFake};
static int fakeHostObject;

/* Fills the object's shared pointer at `offset` as the host's own copy assignment would. */
static void FillHostPointer(unsigned char* object, size_t offset, struct FakeBlock* block) {
    const uint64_t pointer = (uint64_t)(uintptr_t)&fakeHostObject;
    const uint64_t blockPointer = (uint64_t)(uintptr_t)block;
    memcpy(object + offset, &pointer, sizeof pointer);
    memcpy(object + offset + 8, &blockPointer, sizeof blockPointer);
}

/* ---------------------------------------------------------------------------
   The holder as the host reads it
   --------------------------------------------------------------------------- */

typedef uintptr_t (*GetPlugin)(void);
typedef void (*DeleteMe)(void);
typedef void (*Operation)(void* self);

struct Holder {
    unsigned char* object;
    unsigned char* block;
};

static struct Holder ReadHolder(uintptr_t address) {
    struct Holder holder;
    holder.object = (unsigned char*)(uintptr_t)Word((const void*)address);
    holder.block = (unsigned char*)(uintptr_t)Word((const unsigned char*)address + 8);
    return holder;
}

static void PrintBlock(const char* when, const unsigned char* block) {
    printf("%s: block %p: table %p, strong %u, weak %u, object %p\n", when, (const void*)block,
           (void*)(uintptr_t)Word(block), Half(block + 8), Half(block + 12),
           (void*)(uintptr_t)Word(block + 16));
}

int main(int argc, char** argv) {
    if (argc != 2) {
        printf("usage: c-loader-test SPINBEAT_DLL\n");
        return 2;
    }
    HMODULE module = LoadLibraryA(argv[1]);
    if (module == NULL) {
        printf("FAILED: cannot load %s (error %lu)\n", argv[1], GetLastError());
        return 1;
    }

    /* The record, field by field at its offsets. */
    const unsigned char* record = (const unsigned char*)GetProcAddress(module, "exports");
    const GetPlugin getPlugin = (GetPlugin)(void*)GetProcAddress(module, "getPlugin");
    const DeleteMe deleteMe = (DeleteMe)(void*)GetProcAddress(module, "deleteMe");
    Check(record != NULL && getPlugin != NULL && deleteMe != NULL,
          "exports, getPlugin and deleteMe are exported");
    if (failures > 0) {
        return 1;
    }
    const char* source = Text(record, 8);
    const char* sourceEnd = "source\\Spinbeat.cpp";
    printf("exports: apiBuildVersion %d, sourceFileName \"%s\", className \"%s\", pluginName \"%s\", "
           "pluginVersion \"%s\", pluginType %d\n",
           (int)Half(record), source, Text(record, 16), Text(record, 24), Text(record, 32),
           (int)Half(record + 40));
    Check(Half(record) == 95 && Half(record + 4) == 0, "apiBuildVersion 95, then zero padding");
    Check(strlen(source) > strlen(sourceEnd) &&
              strcmp(source + strlen(source) - strlen(sourceEnd), sourceEnd) == 0,
          "sourceFileName ends in source\\Spinbeat.cpp");
    Check(strcmp(Text(record, 16), "Spinbeat") == 0, "className");
    Check(strcmp(Text(record, 24), "Basic Spinbeat") == 0, "pluginName");
    Check(strcmp(Text(record, 32), "1.0.0.13") == 0, "pluginVersion");
    Check(Half(record + 40) == 1 && Half(record + 44) == 0, "pluginType 1, then zero padding");
    Check(Word(record + 48) == (uint64_t)(uintptr_t)(void*)getPlugin, "createFunction is getPlugin");
    Check(Word(record + 56) == (uint64_t)(uintptr_t)(void*)deleteMe, "deleteFunction is deleteMe");

    /* The holder and its count block. */
    const uintptr_t address = getPlugin();
    const struct Holder holder = ReadHolder(address);
    printf("holder at %p: object %p, block %p\n", (void*)address, (void*)holder.object, (void*)holder.block);
    Check(holder.object != NULL && holder.block != NULL, "getPlugin fills the holder");
    if (failures > 0) {
        return 1;
    }
    PrintBlock("after getPlugin", holder.block);
    Check(Half(holder.block + 8) == 1 && Half(holder.block + 12) == 1, "strong count 1, weak count 1");
    Check((unsigned char*)(uintptr_t)Word(holder.block + 16) == holder.object,
          "the block points at the object");
    const struct Holder again = ReadHolder(getPlugin());
    Check(getPlugin() == address && again.object == holder.object && again.block == holder.block,
          "a second getPlugin returns the same holder and object");

    /* The host fills the object's two pointers (cvarManager, gameWrapper) before onLoad. */
    struct FakeBlock cvarManager = {fakeTable, 1, 1, "cvarManager"};
    struct FakeBlock gameWrapper = {fakeTable, 1, 1, "gameWrapper"};
    FillHostPointer(holder.object, 8, &cvarManager);
    FillHostPointer(holder.object, 24, &gameWrapper);

    /* A strong reference of the host's own outlives deleteMe. */
    InterlockedIncrement((volatile LONG*)(holder.block + 8));
    deleteMe();
    const struct Holder emptied = ReadHolder(address);
    PrintBlock("after deleteMe", holder.block);
    Check(emptied.object == NULL && emptied.block == NULL, "deleteMe empties the holder");
    Check(Half(holder.block + 8) == 1 && Half(holder.block + 12) == 1, "only the host's reference is left");
    Check(released[0] == '\0', "the object lives on while the host holds it");

    /* Releasing it as the block's table says: destroy the object, then free the block. */
    const Operation* table = (const Operation*)(uintptr_t)Word(holder.block);
    if (InterlockedDecrement((volatile LONG*)(holder.block + 8)) == 0) {
        table[0](holder.block);
        printf("the object's destructor released: %s\n", released);
        Check(
            strcmp(released,
                   "gameWrapper destroyed; gameWrapper freed; cvarManager destroyed; cvarManager freed; ") ==
                0,
            "the destructor releases gameWrapper, then cvarManager");
        if (InterlockedDecrement((volatile LONG*)(holder.block + 12)) == 0) {
            table[1](holder.block);
        } else {
            Check(0, "the weak count reaches zero");
        }
    } else {
        Check(0, "the strong count reaches zero");
    }

    /* A fresh object, with empty host pointers. */
    const struct Holder fresh = ReadHolder(getPlugin());
    Check(fresh.object != NULL && fresh.block != NULL, "getPlugin after deleteMe makes a fresh object");
    if (fresh.block != NULL) {
        PrintBlock("fresh object", fresh.block);
        static const unsigned char empty[32] = {0};
        Check(memcmp(fresh.object + 8, empty, sizeof empty) == 0, "its host pointers are empty");
        Check(Half(fresh.block + 8) == 1 && Half(fresh.block + 12) == 1, "strong count 1, weak count 1");
    }
    deleteMe();
    FreeLibrary(module);
    if (failures > 0) {
        printf("%d checks failed\n", failures);
        return 1;
    }
    printf("all checks passed\n");
    return 0;
}
