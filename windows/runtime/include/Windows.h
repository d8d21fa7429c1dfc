// The Windows SDK spells this header with capitals; wine spells it in lower case.
#pragma once
#include <windows.h>
