/* oldnames.lib, which every object of clang's and MSVC's asks the linker for: the C runtime's POSIX
   names (strdup for _strdup and so on). Nothing of ours calls them; the library is here so the request
   is met, and a call to one of them fails to link rather than binding to something else. */
typedef int msvc_compat_translation_unit_is_not_empty;
