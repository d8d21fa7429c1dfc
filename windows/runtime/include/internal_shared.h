// The few helpers of vcruntime's internal header that the C++ library's separately compiled parts use:
// heap buffers of the C runtime's heap that free themselves.
#pragma once

#include <stdlib.h>
#include <vcruntime_new.h>

#ifdef __cplusplus

#define _malloc_crt malloc
#define _calloc_crt calloc
#define _free_crt free

template <typename _Ty>
class __crt_unique_heap_ptr {
public:
    explicit __crt_unique_heap_ptr(_Ty* const _Pointer = nullptr) noexcept : _Pointer(_Pointer) {}
    __crt_unique_heap_ptr(__crt_unique_heap_ptr const&) = delete;
    __crt_unique_heap_ptr& operator=(__crt_unique_heap_ptr const&) = delete;
    __crt_unique_heap_ptr(__crt_unique_heap_ptr&& _Other) noexcept : _Pointer(_Other.detach()) {}
    __crt_unique_heap_ptr& operator=(__crt_unique_heap_ptr&& _Other) noexcept {
        attach(_Other.detach());
        return *this;
    }
    ~__crt_unique_heap_ptr() noexcept { release(); }

    explicit operator bool() const noexcept { return _Pointer != nullptr; }
    _Ty* get() const noexcept { return _Pointer; }
    _Ty* detach() noexcept {
        _Ty* const _Old = _Pointer;
        _Pointer = nullptr;
        return _Old;
    }
    void attach(_Ty* const _New) noexcept {
        release();
        _Pointer = _New;
    }
    void release() noexcept {
        _free_crt(_Pointer);
        _Pointer = nullptr;
    }

private:
    _Ty* _Pointer;
};

#define _malloc_crt_t(_Type, _Count)                                                                         \
    __crt_unique_heap_ptr<_Type>(static_cast<_Type*>(_malloc_crt(sizeof(_Type) * (_Count))))
#define _calloc_crt_t(_Type, _Count)                                                                         \
    __crt_unique_heap_ptr<_Type>(static_cast<_Type*>(_calloc_crt((_Count), sizeof(_Type))))

#endif // __cplusplus
