#include "platform/linux/QtAppWindows.h"
