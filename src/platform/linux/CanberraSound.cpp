#include "platform/linux/CanberraSound.h"
