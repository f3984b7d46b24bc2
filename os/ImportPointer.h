#pragma once
// The linker symbol of a function's import pointer, for code that supplies the pointer itself
// instead of the import library: i686 decorates stdcall names (_NAME@argument bytes).
#ifdef _WIN64
#define IMPORT_POINTER(name, bytes) "__imp_" #name
#else
#define IMPORT_POINTER(name, bytes) "__imp__" #name "@" #bytes
#endif
