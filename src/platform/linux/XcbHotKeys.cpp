#include "platform/linux/XcbHotKeys.h"
