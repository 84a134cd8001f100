#include "reminders/NotificationManager.h"
