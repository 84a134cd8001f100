#include "reminders/CompletionBannerController.h"
