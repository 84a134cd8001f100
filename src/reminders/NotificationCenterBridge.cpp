#include "reminders/NotificationCenterBridge.h"
