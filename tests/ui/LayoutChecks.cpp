// Layout.h checks its arithmetic at compile time: the native build compiles it too.
#include "ui/Layout.h"
