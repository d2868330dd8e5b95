// The layout arithmetic is checked where it is defined, at compile time; the
// windows are built for Windows only, so this has the native build check it
// as well.
#include "ui/Layout.h"
