// wine's math.h, completed to what the Microsoft STL's <cmath> expects of the UCRT's: the long double
// functions (long double is double here, as with MSVC), and classification as C++ functions rather than
// macros, so that std:: can name them.
#pragma once

#include_next <math.h>

#ifdef __cplusplus

typedef float float_t;
typedef double double_t;

extern "C" {
_ACRTIMP double __cdecl erfc(double);
_ACRTIMP float __cdecl erfcf(float);
_ACRTIMP double __cdecl fma(double, double, double);
_ACRTIMP float __cdecl fmaf(float, float, float);
_ACRTIMP double __cdecl nan(char const*);
_ACRTIMP float __cdecl nanf(char const*);
_ACRTIMP double __cdecl nexttoward(double, long double);
_ACRTIMP float __cdecl nexttowardf(float, long double);
_ACRTIMP double __cdecl hypot(double, double);
_ACRTIMP float __cdecl hypotf(float, float);
}

#define _SPINBEAT_LD1(name)                                                                                  \
    extern "C" inline long double __cdecl name##l(long double _X) { return name(static_cast<double>(_X)); }
#define _SPINBEAT_LD2(name)                                                                                  \
    extern "C" inline long double __cdecl name##l(long double _X, long double _Y) {                          \
        return name(static_cast<double>(_X), static_cast<double>(_Y));                                       \
    }
_SPINBEAT_LD1(acos)
_SPINBEAT_LD1(acosh)
_SPINBEAT_LD1(asin)
_SPINBEAT_LD1(asinh)
_SPINBEAT_LD1(atan)
_SPINBEAT_LD1(atanh)
_SPINBEAT_LD1(cbrt)
_SPINBEAT_LD1(ceil)
_SPINBEAT_LD1(cos)
_SPINBEAT_LD1(cosh)
_SPINBEAT_LD1(erf)
_SPINBEAT_LD1(erfc)
_SPINBEAT_LD1(exp)
_SPINBEAT_LD1(exp2)
_SPINBEAT_LD1(expm1)
_SPINBEAT_LD1(fabs)
_SPINBEAT_LD1(floor)
_SPINBEAT_LD1(lgamma)
_SPINBEAT_LD1(log)
_SPINBEAT_LD1(log10)
_SPINBEAT_LD1(log1p)
_SPINBEAT_LD1(log2)
_SPINBEAT_LD1(logb)
_SPINBEAT_LD1(nearbyint)
_SPINBEAT_LD1(rint)
_SPINBEAT_LD1(round)
_SPINBEAT_LD1(sin)
_SPINBEAT_LD1(sinh)
_SPINBEAT_LD1(sqrt)
_SPINBEAT_LD1(tan)
_SPINBEAT_LD1(tanh)
_SPINBEAT_LD1(tgamma)
_SPINBEAT_LD1(trunc)
_SPINBEAT_LD2(atan2)
_SPINBEAT_LD2(copysign)
_SPINBEAT_LD2(fdim)
_SPINBEAT_LD2(fmax)
_SPINBEAT_LD2(fmin)
_SPINBEAT_LD2(fmod)
_SPINBEAT_LD2(hypot)
_SPINBEAT_LD2(nextafter)
_SPINBEAT_LD2(pow)
_SPINBEAT_LD2(remainder)
#undef _SPINBEAT_LD1
#undef _SPINBEAT_LD2

extern "C" {
inline long double __cdecl fmal(long double _X, long double _Y, long double _Z) {
    return fma(static_cast<double>(_X), static_cast<double>(_Y), static_cast<double>(_Z));
}
inline long double __cdecl frexpl(long double _X, int* _Y) { return frexp(static_cast<double>(_X), _Y); }
inline long double __cdecl ldexpl(long double _X, int _Y) { return ldexp(static_cast<double>(_X), _Y); }
inline long double __cdecl modfl(long double _X, long double* _Y) {
    double _Whole = 0;
    const double _Fraction = modf(static_cast<double>(_X), &_Whole);
    *_Y = _Whole;
    return _Fraction;
}
inline int __cdecl ilogbl(long double _X) { return ilogb(static_cast<double>(_X)); }
inline long long __cdecl llrintl(long double _X) { return llrint(static_cast<double>(_X)); }
inline long long __cdecl llroundl(long double _X) { return llround(static_cast<double>(_X)); }
inline long __cdecl lrintl(long double _X) { return lrint(static_cast<double>(_X)); }
inline long __cdecl lroundl(long double _X) { return lround(static_cast<double>(_X)); }
inline long double __cdecl nanl(char const* _X) { return nan(_X); }
inline long double __cdecl nexttowardl(long double _X, long double _Y) {
    return nextafter(static_cast<double>(_X), static_cast<double>(_Y));
}
inline long double __cdecl remquol(long double _X, long double _Y, int* _Z) {
    return remquo(static_cast<double>(_X), static_cast<double>(_Y), _Z);
}
inline long double __cdecl scalbnl(long double _X, int _Y) { return scalbn(static_cast<double>(_X), _Y); }
inline long double __cdecl scalblnl(long double _X, long _Y) { return scalbln(static_cast<double>(_X), _Y); }
}

#undef fpclassify
#undef signbit
#undef isinf
#undef isnan
#undef isnormal
#undef isfinite

extern "C++" {
inline int fpclassify(float _X) noexcept {
    return __builtin_fpclassify(FP_NAN, FP_INFINITE, FP_NORMAL, FP_SUBNORMAL, FP_ZERO, _X);
}
inline int fpclassify(double _X) noexcept {
    return __builtin_fpclassify(FP_NAN, FP_INFINITE, FP_NORMAL, FP_SUBNORMAL, FP_ZERO, _X);
}
inline int fpclassify(long double _X) noexcept {
    return __builtin_fpclassify(FP_NAN, FP_INFINITE, FP_NORMAL, FP_SUBNORMAL, FP_ZERO, _X);
}
inline bool signbit(float _X) noexcept { return __builtin_signbit(_X) != 0; }
inline bool signbit(double _X) noexcept { return __builtin_signbit(_X) != 0; }
inline bool signbit(long double _X) noexcept { return __builtin_signbit(_X) != 0; }

template <class _Ty>
inline bool isfinite(_Ty _X) noexcept {
    return __builtin_isfinite(static_cast<double>(_X));
}
template <class _Ty>
inline bool isinf(_Ty _X) noexcept {
    return __builtin_isinf(static_cast<double>(_X));
}
template <class _Ty>
inline bool isnan(_Ty _X) noexcept {
    return __builtin_isnan(static_cast<double>(_X));
}
template <class _Ty>
inline bool isnormal(_Ty _X) noexcept {
    return __builtin_isnormal(static_cast<double>(_X));
}
#define _SPINBEAT_COMPARE(name)                                                                              \
    template <class _Ty1, class _Ty2>                                                                        \
    inline bool name(_Ty1 _X, _Ty2 _Y) noexcept {                                                            \
        return __builtin_##name(static_cast<double>(_X), static_cast<double>(_Y));                           \
    }
_SPINBEAT_COMPARE(isgreater)
_SPINBEAT_COMPARE(isgreaterequal)
_SPINBEAT_COMPARE(isless)
_SPINBEAT_COMPARE(islessequal)
_SPINBEAT_COMPARE(islessgreater)
_SPINBEAT_COMPARE(isunordered)
#undef _SPINBEAT_COMPARE
}

#endif // __cplusplus
