#include "core/common/document.h"

const char *const appName = "Velkorandite";
const char *const untitledName = "無題";
