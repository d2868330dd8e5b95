// planted_library.dll: a DLL that a program must never load, planted where a
// plain LoadLibrary would find it.
#include <windows.h>

extern "C" __declspec(dllexport) int Planted() {
    return 1;
}
