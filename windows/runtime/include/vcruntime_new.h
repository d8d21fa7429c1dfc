// The global allocation functions as MSVC's runtime declares them; each module defines its own.
#pragma once

#include <vcruntime.h>

#pragma pack(push, _CRT_PACKING)
#pragma push_macro("new")
#undef new

extern "C++" {

namespace std {
struct nothrow_t {
    explicit nothrow_t() = default;
};
extern nothrow_t const nothrow;

enum class align_val_t : size_t {};
} // namespace std

[[nodiscard]] _VCRT_ALLOCATOR void* __cdecl operator new(size_t _Size);
[[nodiscard]] _VCRT_ALLOCATOR void* __cdecl operator new(size_t _Size, std::nothrow_t const&) noexcept;
[[nodiscard]] _VCRT_ALLOCATOR void* __cdecl operator new[](size_t _Size);
[[nodiscard]] _VCRT_ALLOCATOR void* __cdecl operator new[](size_t _Size, std::nothrow_t const&) noexcept;
void __cdecl operator delete(void* _Block) noexcept;
void __cdecl operator delete(void* _Block, std::nothrow_t const&) noexcept;
void __cdecl operator delete[](void* _Block) noexcept;
void __cdecl operator delete[](void* _Block, std::nothrow_t const&) noexcept;
void __cdecl operator delete(void* _Block, size_t _Size) noexcept;
void __cdecl operator delete[](void* _Block, size_t _Size) noexcept;

[[nodiscard]] _VCRT_ALLOCATOR void* __cdecl operator new(size_t _Size, std::align_val_t _Al);
[[nodiscard]] _VCRT_ALLOCATOR void* __cdecl operator new(size_t _Size, std::align_val_t _Al,
                                                         std::nothrow_t const&) noexcept;
[[nodiscard]] _VCRT_ALLOCATOR void* __cdecl operator new[](size_t _Size, std::align_val_t _Al);
[[nodiscard]] _VCRT_ALLOCATOR void* __cdecl operator new[](size_t _Size, std::align_val_t _Al,
                                                           std::nothrow_t const&) noexcept;
void __cdecl operator delete(void* _Block, std::align_val_t _Al) noexcept;
void __cdecl operator delete(void* _Block, std::align_val_t _Al, std::nothrow_t const&) noexcept;
void __cdecl operator delete[](void* _Block, std::align_val_t _Al) noexcept;
void __cdecl operator delete[](void* _Block, std::align_val_t _Al, std::nothrow_t const&) noexcept;
void __cdecl operator delete(void* _Block, size_t _Size, std::align_val_t _Al) noexcept;
void __cdecl operator delete[](void* _Block, size_t _Size, std::align_val_t _Al) noexcept;

#ifndef __PLACEMENT_NEW_INLINE
#define __PLACEMENT_NEW_INLINE
[[nodiscard]] inline void* __cdecl operator new(size_t _Size, void* _Where) noexcept {
    (void)_Size;
    return _Where;
}
inline void __cdecl operator delete(void*, void*) noexcept {}
#endif

#ifndef __PLACEMENT_VEC_NEW_INLINE
#define __PLACEMENT_VEC_NEW_INLINE
[[nodiscard]] inline void* __cdecl operator new[](size_t _Size, void* _Where) noexcept {
    (void)_Size;
    return _Where;
}
inline void __cdecl operator delete[](void*, void*) noexcept {}
#endif

} // extern "C++"

#pragma pop_macro("new")
#pragma pack(pop)
