// The global allocation functions of a module: the C runtime's heap, the new handler, then bad_alloc.
#include <malloc.h>
#include <new>
#include <stdlib.h>

extern "C" int __cdecl _callnewh(size_t size);

namespace {

void* Allocate(size_t size) {
    for (;;) {
        if (void* block = malloc(size == 0 ? 1 : size)) {
            return block;
        }
        if (_callnewh(size) == 0) {
            return nullptr;
        }
    }
}

void* AllocateAligned(size_t size, std::align_val_t alignment) {
    for (;;) {
        if (void* block = _aligned_malloc(size == 0 ? 1 : size, static_cast<size_t>(alignment))) {
            return block;
        }
        if (_callnewh(size) == 0) {
            return nullptr;
        }
    }
}

} // namespace

void* __cdecl operator new(size_t size) {
    if (void* block = Allocate(size)) {
        return block;
    }
    throw std::bad_alloc();
}
void* __cdecl operator new[](size_t size) { return operator new(size); }
void* __cdecl operator new(size_t size, std::nothrow_t const&) noexcept { return Allocate(size); }
void* __cdecl operator new[](size_t size, std::nothrow_t const&) noexcept { return Allocate(size); }

void __cdecl operator delete(void* block) noexcept { free(block); }
void __cdecl operator delete[](void* block) noexcept { free(block); }
void __cdecl operator delete(void* block, std::nothrow_t const&) noexcept { free(block); }
void __cdecl operator delete[](void* block, std::nothrow_t const&) noexcept { free(block); }
void __cdecl operator delete(void* block, size_t) noexcept { free(block); }
void __cdecl operator delete[](void* block, size_t) noexcept { free(block); }

void* __cdecl operator new(size_t size, std::align_val_t alignment) {
    if (void* block = AllocateAligned(size, alignment)) {
        return block;
    }
    throw std::bad_alloc();
}
void* __cdecl operator new[](size_t size, std::align_val_t alignment) {
    return operator new(size, alignment);
}
void* __cdecl operator new(size_t size, std::align_val_t alignment, std::nothrow_t const&) noexcept {
    return AllocateAligned(size, alignment);
}
void* __cdecl operator new[](size_t size, std::align_val_t alignment, std::nothrow_t const&) noexcept {
    return AllocateAligned(size, alignment);
}

void __cdecl operator delete(void* block, std::align_val_t) noexcept { _aligned_free(block); }
void __cdecl operator delete[](void* block, std::align_val_t) noexcept { _aligned_free(block); }
void __cdecl operator delete(void* block, std::align_val_t, std::nothrow_t const&) noexcept {
    _aligned_free(block);
}
void __cdecl operator delete[](void* block, std::align_val_t, std::nothrow_t const&) noexcept {
    _aligned_free(block);
}
void __cdecl operator delete(void* block, size_t, std::align_val_t) noexcept { _aligned_free(block); }
void __cdecl operator delete[](void* block, size_t, std::align_val_t) noexcept { _aligned_free(block); }
