#include "platform/linux/FreedesktopNotificationCenter.h"
