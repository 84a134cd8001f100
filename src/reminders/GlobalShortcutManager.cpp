#include "reminders/GlobalShortcutManager.h"
