#pragma once
// <windows.h> for the backend's sources, without the macros that would
// rename the program's own functions (CreateFile, DeleteFile, GetProp,
// ...): the backend always calls the W or A function by its full name.

#include <windows.h>

#undef CreateFile
#undef DeleteFile
#undef CreateDirectory
#undef RemoveDirectory
#undef FindFirstFile
#undef FindNextFile
#undef GetFileVersionInfo
#undef GetFileVersionInfoSize
#undef VerQueryValue
#undef GetProp
#undef SetProp
#undef Yield
